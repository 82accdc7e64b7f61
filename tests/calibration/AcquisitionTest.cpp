// Measurements and raw calibration values end to end through the simulated gauges: command
// strings, cumulative stack voltages, averages of fresh raw blocks, a rolling counter that
// repeats or stops, raw blocks of a wrong length, and the "Err_Rd" paths.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "CalRig.h"
#include "device/ManufacturerAccess.h"

namespace gaugecal::test {
namespace {

using Texts = std::vector<std::string>;

std::string RawRows() {
  std::string shown;
  for (const DisplayItem& item : Module().LiveTable[kLiveRawCal].items)
    shown += item.name.empty() ? "" : item.value + " ";
  return shown;
}

// The averages of the first NumSamples blocks whose rolling counter changed, rounded halves to
// even, as the raw rows show them (counter and status from the last block).
std::string AveragesOf(const Bench& bench, int samples) {
  const int offsets[] = {2, 4, 6, 8, 10, 12, 14, 20, 22, 24};
  const bool isSigned[] = {true, false, false, false, false, true, true, true, false, false};
  double sums[10] = {};
  int counter = 0, good = 0, status = 0;
  for (const auto& e : bench.Trace()) {
    if (e.value("op", "") != "ReadSMBusBlock_" || good == samples)
      continue;
    const std::string hex = e["data"];
    const auto byte = [&hex](int i) { return std::stoi(hex.substr(2 * i, 2), nullptr, 16); };
    if (byte(0) == counter)
      continue;
    counter = byte(0);
    status = byte(1);
    ++good;
    for (int f = 0; f < 10; ++f) {
      const int v = byte(offsets[f] + 1) * 256 + byte(offsets[f]);
      sums[f] += isSigned[f] && v > 32767 ? v - 65536 : v;
    }
  }
  std::string shown = std::to_string(counter) + " " + std::to_string(status) + " ";
  for (double sum : sums)
    shown += std::to_string(static_cast<long>(std::nearbyint(sum / samples))) + " ";
  return shown;
}

TEST(RawAcquisition, AveragesFreshBlocksOfEveryFamilyAndKindRoundingHalvesToEven) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (bool offset : {false, true}) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + (offset ? " offset" : " normal"));
      sim::Scenario s = sim::DefaultScenario(family);
      s.currentMa = -2000;
      s.noiseCounts = 40;
      Bench bench(s);
      Module().calConfig.NumSamples = offset ? 2 : 4;
      ASSERT_EQ(EnsureCalMode(), 0);
      bench.ClearTrace();
      ASSERT_EQ(AcquireRawCalValues(offset), 0);
      EXPECT_EQ(RawRows(), AveragesOf(bench, offset ? 2 : 4));
      EXPECT_THAT(bench.Steps(), ::testing::StartsWith(offset ? "MAC:F082 S:3 D:250 W:250 RB:23"
                                                              : "MAC:F081 S:3 D:250 W:250 RB:23"));
      // A new block every 250 ms, read every 100 ms or so: the repeats are skipped.
      EXPECT_GT(Count(bench.Steps(), "RB:23"), Module().calConfig.NumSamples);
      EXPECT_EQ(Count(bench.Steps(), "W:100"), Count(bench.Steps(), "RB:23"));
    }
  }
  // 2 x 32767 and 3 x 40000 counts: signed and unsigned fields are summed without overflow.
  sim::Scenario big = Quiet(DfType::QSPAN);
  sim::ChannelError huge = {.gainError = -1.0, .offsetCounts = 40000};
  big.batteryError = huge;
  Bench bench(big);
  ASSERT_EQ(AcquireRawCalValues(false), 0);
  EXPECT_THAT(RawRows(), ::testing::EndsWith(" 40000 "));
  // One sample is averaged as it came; cell and battery counts around 32768 are averaged
  // unsigned.
  big.noiseCounts = 40;
  big.batteryError.offsetCounts = 32768;
  for (sim::ChannelError& cell : big.cellError)
    cell = {.gainError = -1.0, .offsetCounts = 32768};
  Bench noisy(big);
  Module().calConfig.NumSamples = 1;
  ASSERT_EQ(AcquireRawCalValues(false), 0);
  EXPECT_EQ(RawRows(), AveragesOf(noisy, 1));
  Module().calConfig.NumSamples = 4;
  noisy.ClearTrace();
  ASSERT_EQ(AcquireRawCalValues(false), 0);
  EXPECT_EQ(RawRows(), AveragesOf(noisy, 4));
  Module().calConfig.NumSamples = 0;
  EXPECT_EQ(AcquireRawCalValues(false), 1) << "nothing to average";
}

TEST(RawAcquisition, AStoppedCounterOrAWrongLengthEndsItAndKeepsTheRows) {
  // family, faults, message, the tail of the steps
  using Case = std::tuple<DfType, const char*, const char*, const char*>;
  for (const auto& [family, faults, message, tail] :
       {Case{DfType::CEDV, "stops t0", "Unable to enter calibration mode.", ""},
        Case{DfType::CEDV, "stops t900", "Unable to enter calibration mode.", ""},
        Case{DfType::QSPAN, "short RB:23 #2",
             "Received Wrong Number Of Bytes in Raw Cal Block : 25",
             "RB:23 MAC:F080 S:3 S:100 MAC:F081 S:3 S:3 MSG"},
        Case{DfType::QSPAN, "long RB:23 #2", "Received Wrong Number Of Bytes in Raw Cal Block : 27",
             "RB:23 MAC:F080 S:3 S:100 MAC:F081 S:3 S:3 MSG"},
        // A row gauge outside calibration mode answers the subcommand's 2-byte echo.
        Case{DfType::CEDV_PLUS, "", "Received Wrong Number Of Bytes in Raw Cal Block : 2",
             "RB:23 MAC:F080 S:3 S:100 MAC:F081 S:3 S:3 MSG"}}) {
    Bench bench(family, faults);
    Module().LiveTable[kLiveRawCal].items[3].value = "before";
    EXPECT_EQ(AcquireRawCalValues(false), 1);
    EXPECT_EQ(bench.Messages(), Texts{message});
    EXPECT_THAT(bench.Steps(), ::testing::EndsWith(tail));
    EXPECT_EQ(Module().LiveTable[kLiveRawCal].items[3].value, "before");
    if (std::string(faults) == "stops t0") {
      EXPECT_EQ(Count(bench.Steps(), "RB:23"), 11) << "the counter stays 0, so nothing is fresh";
    } else if (*faults == 's' && faults[1] == 't') {
      EXPECT_GT(Count(bench.Steps(), "RB:23"), 11);
    }
  }
}

// A command string "TYPE,CODE" is checked for format, length and shape before any transfer;
// each case: command|format|the message, or the value read (the state of charge, 62).
TEST(Measurement, CommandStringsFormatsAndFailedReads) {
  const std::string in = " in function readmeasurementfromdevice";
  for (const std::string c :
       {"SBS,13|U2|62", " SBS , 13 |I1|62", "SBS,13,x|I2|62", "XYZ,13|U2|0", "S,9|U2|length",
        "SBS,|U2|shape", "SBS9|U2|shape", ",SBS9|U2|shape", "SBS,x9|I2|shape", "SBS,70000|I2|shape",
        "SBS,9|U1|format", "SBS,9|u2|format"}) {
    const std::string command = c.substr(0, c.find('|')), format = c.substr(c.find('|') + 1, 2),
                      outcome = c.substr(c.rfind('|') + 1);
    Bench bench(DfType::CEDV);
    std::string result = "unchanged";
    const bool ok = std::isdigit(outcome[0]);
    EXPECT_EQ(readmeasurementfromdevice(command, format, result), ok ? 0 : 1) << c;
    const std::string said = outcome == "format" ? "Format specified" + in + " is not supported."
                             : outcome == "length"
                                 ? "Error in length of read command string" + in + "."
                                 : "Error in format of read command string" + in + ".";
    EXPECT_EQ(bench.Messages(), ok ? Texts{} : Texts{said}) << c;
    EXPECT_EQ(bench.Steps(true) + result, ok ? (outcome == "0" ? "0" : "RW:0D62") : "unchanged")
        << c;
  }
  // Words decode by format; a failed transfer gives "Err_Rd" and no message.
  sim::Scenario s = Quiet(DfType::CEDV_PLUS);
  s.currentMa = -1500;
  Bench bench(s);
  const sim::Reported now = bench.Gauge().ReportedNow();
  const auto read = [](const std::string& command, const std::string& format) {
    std::string result;
    EXPECT_EQ(readmeasurementfromdevice(command, format, result), 0);
    return result + " ";
  };
  std::string got;  // 0x71 (113) reports cell 1 first
  for (const auto& [command, format] :
       std::vector<std::pair<std::string, std::string>>{{"SBS,10", "I2"},
                                                        {"SBS,10", "U2"},
                                                        {"SBS,10", "I1"},
                                                        {"SBS,90", "U2"},
                                                        {"MAC,113", "U2"}})
    got += read(command, format);
  EXPECT_EQ(got, std::to_string(now.currentMa) + " " + std::to_string(65536 + now.currentMa) + " " +
                     std::to_string(65536 + now.currentMa) + " " + std::to_string(now.packMv) +
                     " " + std::to_string(now.cellMv[0]) + " ");
  EXPECT_EQ(bench.Steps(true), "RW:0A RW:0A RW:0A RW:5A MAC:0071 RW:00");
  for (const auto& [faults, command] : std::vector<std::pair<std::string, std::string>>{
           {"nack RW:5A", "SBS,90"}, {"nack MAC", "MAC,113"}, {"nack RW:00", "MAC,113"}}) {
    Bench failing(DfType::CEDV, faults);
    EXPECT_EQ(read(command, "U2"), "Err_Rd ");
    EXPECT_TRUE(failing.Messages().empty());
  }
}

// Stack voltages are cumulative and stop at the first failed read; each case: alternative
// commands asked for (a) or configured (c), the failing command, the reads and the readings.
TEST(StackVoltages, AreCumulativeAndStopAtTheFirstFailedRead) {
  for (const auto& [how, faults, steps, shown] :
       std::vector<std::tuple<std::string, std::string, std::string, int>>{
           {"", "", "RW:3F RW:3E RW:3D RW:3C", 4},
           {"c", "", "RW:3B RW:3A RW:39 RW:38", 4},
           {"a", "", "RW:3B RW:3A RW:39 RW:38", 4},
           {"", "nack RW:3D", "RW:3F RW:3E RW:3D", 2},
           {"a", "nack RW:3B", "RW:3B", 0}}) {
    Bench bench(Quiet(DfType::QSPAN, faults));
    Module().calConfig.ReadAltCellVoltages = how == "c";
    std::array<std::string, 4> out;
    (how == "a" ? ReadAltStackVoltages : ReadStackVoltages)(out[0], out[1], out[2], out[3]);
    EXPECT_EQ(bench.Steps(true), steps);
    const sim::Reported now = bench.Gauge().ReportedNow();
    for (int i = 0, sum = 0; i < 4; ++i) {
      sum += now.cellMv[i];
      EXPECT_EQ(out[i], i < shown ? std::to_string(sum) : "Err_Rd") << steps << i;
    }
  }
}

TEST(DeviceMeasurements, EachFamilyReadsWhatThePageShows) {
  const std::string byCommands = " RW:0A RW:08 RW:08 RW:5E";
  const std::map<DfType, std::string> steps = {
      {DfType::CEDV, "RW:3F RW:3E RW:3D RW:3C RW:5A" + byCommands},
      {DfType::QSPAN, "RW:3B RW:3A RW:39 RW:38 RW:5A" + byCommands},
      {DfType::RN44K18, "MAC:0071 RB:23 MAC:0072 RB:23 RW:0A"},
      // The battery and pack voltage from a fresh raw block: calibration mode, the output
      // request, reads until the rolling counter moves on, then out of the stream and the mode.
      {DfType::CEDV_PLUS,
       "RW:3B RW:3A RW:39 RW:38 CFE RW:74 RW_:74 MAC:002D S:3 S:50 RW_:74 CFE RW:74 RW_:74 "
       "MAC:F081 S:3 RB:23 RB:23 S:50 RB:23 S:50 RB:23 S:50 RB:23 S:50 RB:23 S:50 MAC:F080 S:3 "
       "S:10 RW:74 RW_:74 MAC:002D S:3 S:10 RW:74 RW_:74" +
           byCommands}};
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    sim::Scenario s = Quiet(family);
    s.currentMa = -1500;
    s.temperatureC = {30.0, 25.5, -5.0, 25.0, 25.0};
    CalRig rig(s);
    const sim::Reported now = rig.Gauge().ReportedNow();
    rig.ClearTrace();
    const DeviceMeasurements d = ReadDeviceMeasurements();
    EXPECT_EQ(rig.Steps(), steps.at(family));
    int sum = 0;
    std::string stack, expected;
    for (int i = 0; i < s.cells; ++i) {
      sum += now.cellMv[i];
      stack += d.stack[i] + " ";
      expected += std::to_string(sum) + " ";
    }
    EXPECT_EQ(stack, expected) << DfTypeName(family);
    EXPECT_EQ(d.current, std::to_string(now.currentMa));
    // The standard temperature command reports TS1 unless the sensors are mapped.
    const bool rn = family == DfType::RN44K18;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(*ParseDecimal(d.temperatures[i]),
                  (now.temperatureDeciK[i == 0 && !rn ? 1 : i] - 2732) / 10.0, 1e-9)
          << DfTypeName(family) << " sensor " << i;
    }
    const sim::RawSample raw = rig.Gauge().RawNow(false);
    if (family == DfType::CEDV_PLUS) {  // from a raw block: counts
      EXPECT_EQ(d.pack + " " + d.battery,
                std::to_string(raw.pack) + " " + std::to_string(raw.battery));
      rig.ClearTrace();
      EXPECT_NEAR(*ParseDecimal(ReadMappedInternalTemperature()),
                  (now.temperatureDeciK[0] - 2732) / 10.0, 1e-9);
      // Read once the gauge has converted for 800 ms with the internal sensor mapped.
      EXPECT_NE(rig.Steps().find(" S:800 RW:08 "), std::string::npos) << rig.Steps();
      EXPECT_EQ(rig.Gauge().Flash().Bytes(), CalRig(s).Gauge().Flash().Bytes())
          << "the mapping bits are restored";
    } else {
      EXPECT_EQ(d.pack + " " + d.battery,
                std::to_string(now.packMv) + " " + (rn ? std::to_string(now.batteryMv) : ""));
    }
    EXPECT_TRUE(rig.Messages().empty());
  }
}

}  // namespace
}  // namespace gaugecal::test
