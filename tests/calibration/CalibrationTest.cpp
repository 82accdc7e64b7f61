// The five calibrations through the simulated gauge: the stored bytes of every family, the
// rounding and the range limits, the checks that run before anything is written, and their
// messages.

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "CalRig.h"
#include "calibration/CalTargets.h"
#include "calibration/Calibrations.h"

namespace gaugecal::test {
namespace {

using Texts = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

constexpr const char* kFailed = "Voltage/Temperture Calibration Failed! ";

sim::Scenario WithRawCells(DfType family, std::vector<double> counts) {
  sim::Scenario s = Exact(family);
  for (size_t i = 0; i < counts.size(); ++i)
    ExactCounts(s.cellError[i], counts[i]);
  return s;
}

// Each family writes its own cell scale rows: CEDV "Alt Cell n Scale" [21..], QSPAN "VCell n
// Scale Factor" [8..], the row families "Cell Scale n" [0..]. 4000 / 12800 x 65536 = 20480.
TEST(VoltageCalibration, CellScalesAreStackOverRawSumTimes65536InEachFamilysRows) {
  for (const auto& [family, first] : std::vector<std::pair<DfType, size_t>>{
           {DfType::CEDV, 21}, {DfType::QSPAN, 8}, {DfType::CEDV_PLUS, 0}}) {
    CalRig(WithRawCells(family, {12800, 12800, 12800, 12800}))
        .Expect(VoltageRequest({4000, 8000, 12000}),
                {{first, {0x50, 0x00}}, {first + 2, {0x50, 0x00}}, {first + 4, {0x50, 0x00}}});
  }
  // Cell 2 over the sum of the raw counts below it: 8000 / 50000 x 65536 = 10485.76, stored
  // 10486; with two cells, cells 3 and 4 are left alone whatever they hold.
  auto two = VoltageRequest({4000, 8000, 32000, -5});
  two.volts.CellCount = 2;
  CalRig(WithRawCells(DfType::RN44K18, {25000, 25000, 1, 1}))
      .Expect(two, {{0, {0x28, 0xF6}}, {2, {0x28, 0xF6}}});
  // A raw count of 1 gives a factor far beyond the range: refused as such.
  CalRig(WithRawCells(DfType::RN44K18, {1, 4000, 4000, 4000}))
      .Expect(VoltageRequest({2000, 8000, 12000, 16000}), {},
              {"Correction for Cell Voltage 1 is beyond allowed range. Calibration not performed.",
               kFailed});
  // 8000 / (4000 + 4000) x 65536 = 65536 does not fit.
  CalRig(WithRawCells(DfType::RN44K18, {4000, 4000, 4000, 4000}))
      .Expect(VoltageRequest({2000, 8000, 12000, 16000}), {},
              {"Correction for Cell Voltage 2 is beyond allowed range. Calibration not performed.",
               kFailed});
}

TEST(VoltageCalibration, BatteryGainStoresUpTo65535AndRefusesAbove) {
  // What is stored at 10 for the battery voltage and raw count entered; nothing: refused.
  const auto check = [](double battery, double raw, const Bytes& stored) {
    sim::Scenario s = WithRawCells(DfType::RN44K18, {12800, 12800, 12800, 12800});
    ExactCounts(s.batteryError, raw);
    const Bytes scale = {0x50, 0x00};
    CalRig(s).Expect(VoltageRequest({4000, 8000, 12000, 16000}, battery),
                     {{0, scale}, {2, scale}, {4, scale}, {6, scale}, {10, stored}},
                     stored.empty() ? Texts{"Battery Voltage Correction is beyond allowed value. "
                                            "Calibration not performed.",
                                            kFailed}
                                    : Texts{});
  };
  check(65534.0, 65535, {0xFF, 0xFF});  // 65534.99998
  check(65535.0, 65535, {});            // exactly 65536
  check(16000.4, 24000, {0xAA, 0xAB});  // 16000: 43690.67
  check(0.0, 24000, {0xAC, 0x44});      // no entry: stays 44100

  // A negative battery entry gives a negative gain: nothing is stored, not even the cells.
  sim::Scenario s = WithRawCells(DfType::RN44K18, {12800, 12800, 12800, 12800});
  ExactCounts(s.batteryError, 24000);
  CalRig(s).Expect(
      VoltageRequest({4000, 8000, 12000, 16000}, -16000.0), {},
      {"Error during Voltage and Temperature Calibration. Calibration not performed.", kFailed});
}

TEST(TemperatureCalibration, OffsetsAreTenthsOfAKelvinInASignedByte) {
  // RN44K18 corrects the live reading: raw 23.5 degC, reported 24.0 with offset 5, so
  // (25.0 - 24.0) x 10 + 5 = 15. The entered reading (99.0) is not what it uses.
  sim::Scenario s = Exact(DfType::RN44K18);
  s.temperatureC[1] = 23.5;
  s.parameters = {{"Ext 1 Temp Offset", 5}};
  CalRig(s).Expect(TemperatureRequest(1, 25.0, 99.0), {{27, {0x0F}}});

  // CEDV_PLUS computes TS1 against the reading the technician saw; the present offset is 0.
  const Texts refused = {
      "Temperature Correction beyond allowed range for External Temperature Sensor 1.  Allowed "
      "range approximately plus or minus 12.7 deg K from default value. No calibration data "
      "written.",
      kFailed};
  const auto check = [&refused](double actual, double measured, const Bytes& stored) {
    CalRig(Exact(DfType::CEDV_PLUS))
        .Expect(TemperatureRequest(1, actual, measured), {{27, stored}},
                stored.empty() ? refused : Texts{});
  };
  check(20.0, 25.0, {0xCE});
  check(25.0, 12.3, {0x7F});
  check(12.2, 25.0, {0x80});
  check(25.0, 12.25, {});   // 127.5 -> 128
  check(-299.9, 25.0, {});  // not the marker
  // Halves to even, and what leaves the signed byte, where no entered reading reaches: the
  // status and the byte (untouched, 0xA5, on failure) per present offset.
  std::string got;
  for (double current : {126.5, -128.5, -129.0, -1.0, HUGE_VAL, std::nan("")}) {
    uint8_t offset = 0xA5;
    got += std::to_string(ComputeTempOffset(0.0, 0.0, current, offset));
    got += Hex2(offset) + " ";
  }
  EXPECT_EQ(got, "07E 080 1A5 0FF 1A5 1A5 ");
}

// Sensors a layout does not calibrate change nothing and say nothing; the ones it does land in
// their own byte; all five markers change nothing at all.
TEST(TemperatureCalibration, EachLayoutCalibratesOnlyItsSensors) {
  using Case = std::tuple<DfType, int, int>;  // family, sensor, byte (-1: untouched)
  for (const auto& [family, sensor, byte] :
       {Case{DfType::CEDV, 0, -1}, Case{DfType::CEDV, 1, 12}, Case{DfType::CEDV, 2, 13},
        Case{DfType::CEDV, 3, -1}, Case{DfType::CEDV, 4, -1}, Case{DfType::QSPAN, 0, -1},
        Case{DfType::QSPAN, 3, 26}, Case{DfType::QSPAN, 4, 27}, Case{DfType::CEDV_PLUS, 4, -1}}) {
    CalRig(Exact(family))
        .Expect(
            TemperatureRequest(sensor, 26.0, 25.0),
            byte < 0 ? CalRig::Patches{} : CalRig::Patches{{static_cast<size_t>(byte), {0x0A}}});
  }
  auto none = Request(CalibrationAction::VoltageTemperature);
  none.temperatureSelected = true;
  CalRig(Exact(DfType::RN44K18)).Expect(none, {});
  // With the map on, CEDV writes group 0's rows where the location keys put them: here TS1
  // and TS2 moved onto the gauge's "Temp Offset" and "Aux Temp Offset".
  CalRig mapped(Exact(DfType::CEDV), true);
  ASSERT_EQ(CurrentCalLayout(), CalLayout::Mapped);
  Module().CalTable[kCalGroupRn44k18].items[12].position = "12";  // "Ext 1 Temp Offset"
  Module().CalTable[kCalGroupRn44k18].items[13].position = "13";
  auto both = TemperatureRequest(1, 26.0, 25.0);
  both.temps.Actual[2] = 24.0;
  both.temps.Measured[2] = 25.0;
  mapped.Expect(both, {{12, {0x0A}}, {13, {0xF6}}});
}

TEST(VoltageTemperatureCalibration, ChecksStopItBeforeAnythingIsWritten) {
  constexpr const char* kGeneral =
      "Error during Voltage and Temperature Calibration. Calibration not performed.";
  CalRig(WithRawCells(DfType::RN44K18, {0, 12800, 12800, 12800}))
      .Expect(TemperatureRequest(1, 26.0, 25.0), {},
              {"Raw calibration value of zero in voltage rows.", kFailed});

  CalRig(Exact(DfType::CEDV, "nack RW:08 #0"))
      .Expect(VoltageRequest({4000, 8000, 12000}), {},
              {"Unable to read current SBS Temperature from device. Temperature calibration not "
               "completed. Please retry.",
               kFailed});
  // Faults that no range check names: a raw battery count of 0, a row outside the buffer.
  sim::Scenario zeroBattery = WithRawCells(DfType::RN44K18, {12800, 12800, 12800, 12800});
  ExactCounts(zeroBattery.batteryError, 0);
  CalRig(zeroBattery)
      .Expect(VoltageRequest({4000, 8000, 12000, 16000}, 16000), {}, {kGeneral, kFailed});
  CalRig row(Exact(DfType::QSPAN));
  Module().CalTable[kCalGroupQspan].items[10].position = "256";  // "Ext 1 Temp Offset"
  row.Expect(TemperatureRequest(1, 26.0, 25.0), {}, {kGeneral, kFailed});

  sim::Scenario s = WithRawCells(DfType::QSPAN, {12800, 12800, 12800, 12800});
  s.faults = Faults("corrupt @9");
  CalRig corrupt(s);
  const Bytes before = corrupt.CalArea();
  EXPECT_EQ(corrupt.Run(VoltageRequest({4000, 8000, 12000, 16000})), 1);
  const Texts said = corrupt.Messages();
  // The corrupted image is rolled back; that outcome comes after the calibration's messages.
  EXPECT_EQ(Texts(said.end() - 3, said.end()),
            (Texts{"Unable to write new calibration values to Dataflash. Ensure device is not "
                   "sealed. Please repeat this calibration.",
                   kFailed,
                   "The failed write had changed the calibration Dataflash. Its previous contents "
                   "were written back and verified."}));
  EXPECT_EQ(corrupt.CalArea(), before);
}

CalibrationRequest PackRequest(double actual) {
  CalibrationRequest r = Request(CalibrationAction::PackVoltage);
  r.packActual = r.packMeasured = actual;
  return r;
}

sim::Scenario WithRawPack(DfType family, double counts) {
  sim::Scenario s = Exact(family);
  ExactCounts(s.packError, counts);
  return s;
}

constexpr const char* kPackRange =
    "Pack voltage correction is beyond allowed range.  Calibration not completed.";

TEST(PackVoltageCalibration, RowFamiliesStoreActualOverRawCountTimes65536) {
  // actual, raw count, stored (empty: refused with the message), message
  using Case = std::tuple<double, double, Bytes, const char*>;
  for (const auto& [actual, raw, stored, message] :
       {Case{16000, 25600, {0xA0, 0x00}, nullptr},  // 40960
        Case{16000, 15000, {}, kPackRange},         // 69905
        Case{65534, 65535, {0xFF, 0xFF}, nullptr},  // 65534.99998
        Case{16000, 16000, {}, kPackRange},         // 65536
        Case{50, 51, {0xFA, 0xFB}, nullptr},        // 64251
        Case{0.1, 25600, {}, kPackRange},           // a gain of 0
        Case{50,
             50,
             {},
             "Pack Gain raw calibration value is low.  Pack Calibration not performed. Please "
             "try again."}}) {
    CalRig rig(WithRawPack(DfType::RN44K18, raw));
    Module().calConfig.PackVoltageReadCommand = "SBS,90";  // configured, but RN44K18 ignores it
    rig.Expect(PackRequest(actual), {{8, stored}}, message ? Texts{message} : Texts{});
    EXPECT_EQ(Count(rig.Steps(), "RW:5A"), 0);
    // A stored gain: the image read back, then its own exit and 100 ms before the session's.
    EXPECT_EQ(rig.Steps().find("RB:2F MAC:F080 S:3 S:100 MAC:F080 ") != std::string::npos,
              message == nullptr)
        << rig.Steps();
  }
}

// CEDV and QSPAN rescale the stored gain by actual over the voltage they report with it.
TEST(PackVoltageCalibration, OwnListsRescaleThePresentGain) {
  // 4000 counts x 22050 / 65536: reports 1346 mV; 22050 x 1400 / 1346 = 22934.6.
  CalRig cedv(WithRawPack(DfType::CEDV, 4000));
  cedv.Expect(PackRequest(1400), {{19, {0x59, 0x97}}});
  EXPECT_NEAR(cedv.Gauge().ReportedNow().packMv, 1400, 0.5);
  // 4000 counts x 20000 / 65536: reports 1221 mV; 20000 x 1300 / 1221 = 21294.0.
  CalRig(WithRawPack(DfType::QSPAN, 4000)).Expect(PackRequest(1300), {{17, {0x53, 0x2E}}});

  sim::Scenario zeroGain = WithRawPack(DfType::QSPAN, 4000);
  zeroGain.parameters = {{"AFE Pack Gain", 0}};
  sim::Scenario tooLarge = WithRawPack(DfType::QSPAN, 4000);
  tooLarge.parameters = {{"AFE Pack Gain", 30000}};  // 1831 mV reported; signed limit 32767
  sim::Scenario unread = WithRawPack(DfType::CEDV, 4000);
  unread.faults = Faults("nack RW:5A #0");
  using Case = std::tuple<sim::Scenario, bool, const char*>;
  for (const auto& [scenario, map, message] : {
           Case{zeroGain, false,
                "The pack gain stored in Dataflash is not a positive value, so no corrected gain "
                "can be derived from it.  Pack Calibration not performed."},
           Case{tooLarge, false, kPackRange},
           Case{unread, false,
                "Not able to read Pack Voltage from device. Pack Voltage not calibrated."},
           Case{WithRawPack(DfType::CEDV, 4000), true,
                "The Dataflash map gives no location for the pack gain of this device.  Pack "
                "Calibration not performed."},
       }) {
    CalRig(scenario, map).Expect(PackRequest(2400), {}, {message});
  }
}

// Nothing selected, battery 16000 mV against 24000 raw counts: 43691 (0xAAAB), computed only
// where CEDV_PLUS has a battery input.
TEST(VoltageCalibration, CedvPlusWithABatteryInputComputesItWhateverIsSelected) {
  for (auto [family, supported, stored] :
       {std::tuple{DfType::CEDV_PLUS, true, true}, std::tuple{DfType::CEDV_PLUS, false, false},
        std::tuple{DfType::RN44K18, true, false}}) {
    sim::Scenario s = Exact(family);
    ExactCounts(s.batteryError, 24000);
    CalConfig config = FamilyConfig(family);
    config.BatteryVSupported = supported;
    CalibrationRequest request = Request(CalibrationAction::VoltageTemperature);
    request.volts.Battery = 16000.0;
    CalRig(s, config).Expect(request,
                             stored ? CalRig::Patches{{10, {0xAA, 0xAB}}} : CalRig::Patches{});
  }
}

// Nothing averaged or a code that does not convert: refused before the gauge, nothing written.
TEST(CalibrationInputs, NoSamplesAndUnconvertibleCommandsFailBeforeTheGauge) {
  for (int16_t samples : {int16_t{0}, int16_t{-1}}) {
    CalConfig config = FamilyConfig(DfType::RN44K18);
    config.NumSamples = samples;
    CalRig rig(Exact(DfType::RN44K18), config);
    rig.ClearTrace();
    rig.Expect(VoltageRequest({3902, 7799}), {},
               {"NumSamples in config.ini is " + std::to_string(samples) +
                    ": at least one raw calibration block must be averaged.  Please correct "
                    "config.ini.",
                "Can not set to calibration mode."});
    EXPECT_EQ(rig.Steps(true).substr(0, 8), "MAC:F080") << "the exit is the first transfer";
    EXPECT_FALSE(rig.Gauge().CalibrationMode());
  }
  for (const char* command : {"SBS,x90", "SBS,70000", "MAC,9O"}) {
    CalConfig config = FamilyConfig(DfType::CEDV);
    config.PackVoltageReadCommand = command;
    CalRig(Exact(DfType::CEDV), config)
        .Expect(PackRequest(11700.0), {},
                {"Error in format of read command string in function readmeasurementfromdevice.",
                 "Not able to read Pack Voltage from device. Pack Voltage not calibrated."});
  }
}

// 506 counts with gain 7.5 report round(506 x 7.5 / 1.9072) = 1990 mA.
sim::Scenario CurrentScenario(DfType family, double counts, double gain) {
  sim::Scenario s = Exact(family);
  s.ccOffsetCounts = counts;
  s.boardOffsetCounts = 0;
  const bool rows = family == DfType::RN44K18 || family == DfType::CEDV_PLUS;
  s.parameters = {{rows ? "CC Gain" : "Sense Resistor Gain", gain},
                  {rows ? "Current Offset" : "CC Offset", 0}};
  return s;
}

CalibrationRequest CurrentRequest(const std::string& actual) {
  CalibrationRequest r = Request(CalibrationAction::PackCurrent);
  r.currentActual = actual;
  return r;
}

TEST(CurrentCalibration, BothGainsAreStoredAsGaugeFloats) {
  // 2000 x 7.5 / 1990 = 7.5376884; times 298261.632 = 2248203.26. A current typed with the
  // opposite sign of the reading gives a negative gain, written as such.
  const Bytes gain = {0x83, 0x71, 0x34, 0xBE}, capacity = {0x96, 0x09, 0x38, 0x2D};
  const Bytes negGain = {0x83, 0xF1, 0x34, 0xBE}, negCapacity = {0x96, 0x89, 0x38, 0x2D};
  CalRig(CurrentScenario(DfType::RN44K18, 506, 7.5))
      .Expect(CurrentRequest("2000"), {{12, gain}, {16, capacity}});
  CalRig(CurrentScenario(DfType::RN44K18, 506, 7.5))
      .Expect(CurrentRequest("-2000"), {{12, negGain}, {16, negCapacity}});
  CalRig(CurrentScenario(DfType::CEDV, 506, 7.5))
      .Expect(CurrentRequest("2000"), {{0, gain}, {4, capacity}});
  CalRig(CurrentScenario(DfType::QSPAN, 506, 7.5))
      .Expect(CurrentRequest("2000"), {{0, gain}, {4, capacity}});
  // A gain of 1.9072 reports one milliampere a count, which is enough.
  CalRig one(CurrentScenario(DfType::RN44K18, 1, 1.9072));
  EXPECT_EQ(one.Run(CurrentRequest("2")), 0);
  EXPECT_NEAR(one.Param("CC Gain"), 3.8144, 1e-5);
}

TEST(CurrentCalibration, RefusalsWriteNothing) {
  const std::string notPerformed = "Current calibration was not performed.";
  sim::Scenario plus = CurrentScenario(DfType::CEDV_PLUS, 506, 7.5), unread = plus;
  unread.faults = Faults("nack RW:0A #0");
  using Case = std::tuple<sim::Scenario, const char*, std::string>;
  for (const auto& [scenario, actual, message] : {
           Case{CurrentScenario(DfType::RN44K18, 0, 1.9072), "2",
                "Please source or sink current. Measured current is low."},
           Case{unread, "2000",
                "Unable to read current attempting current calibration. " + notPerformed},
           Case{plus, "2,000", "Actual current \"2,000\" is not a number.  " + notPerformed},
           Case{plus, "", "Actual current \"\" is not a number.  " + notPerformed},
           Case{plus, "0",
                "The new sense resistor gain of 0.000 cannot be stored in the gauge's "
                "floating-point format.  " +
                    notPerformed},
       }) {
    CalRig(scenario).Expect(CurrentRequest(actual), {}, {message});
  }
}

// An hour at +-1.5 A counts (0x0F) what the derived capacity gain says; 3 % off before.
TEST(CurrentCalibration, ChargeAfterwardsIsCurrentTimesTime) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    sim::Scenario s = Exact(family);
    s.senseResistorMilliohm *= 1.03;
    CalRig rig(s);
    const auto hourAt = [&rig](double ma) {
      rig.Gauge().Settings().currentMa = ma;
      uint8_t msb = 0, lsb = 0;
      rig.Link().ReadSMBusWord(0x0F, msb, lsb, kGaugeAddress);
      const double start = msb << 8 | lsb;
      rig.platform.PassTime(3600000.0);
      rig.Link().ReadSMBusWord(0x0F, msb, lsb, kGaugeAddress);
      return (msb << 8 | lsb) - start;
    };
    EXPECT_GT(std::fabs(hourAt(1500.0) - 1500.0), 30.0);
    for (CalibrationAction action : {CalibrationAction::CCOffset, CalibrationAction::BoardOffset,
                                     CalibrationAction::PackCurrent})
      ASSERT_EQ(rig.Run(rig.ReferenceRequest(action)), 0);
    EXPECT_NEAR(hourAt(1500.0), 1500.0, 1.5);
    EXPECT_NEAR(hourAt(-1500.0), -1500.0, 1.5);
  }
}

constexpr const char* kCurrentFlowing =
    "Current is flowing in sense resistor.  Please ensure no current is flowing. Coulomb Counter "
    "Offset Calibration will abort.";
constexpr const char* kLargeCurrent =
    "A large amount of current is flowing. This calibration is for board offset only. Board "
    "Offset Calibration will abort.";

sim::Scenario WithCounterOffsets(DfType family, double cc, double board) {
  sim::Scenario s = Exact(family);
  s.ccOffsetCounts = cc;
  s.boardOffsetCounts = board;
  return s;
}

// -100 counts x 64 = -6400 = 0xE700; the board offset then reads 2 counts at no load:
// 2 x 64 - (-6400) = 6528 = 0x1980.
TEST(OffsetCalibration, EachFamilyStoresTheScaledCountsInItsOwnRows) {
  using Case = std::tuple<DfType, size_t, size_t>;
  for (const auto& [family, cc, board] :
       {Case{DfType::CEDV, 8, 14}, Case{DfType::QSPAN, 19, 21}, Case{DfType::RN44K18, 20, 24},
        Case{DfType::CEDV_PLUS, 20, 24}}) {
    CalRig rig(WithCounterOffsets(family, -100, 102));
    rig.Expect(Request(CalibrationAction::CCOffset), {{cc, {0xE7, 0x00}}});
    rig.Expect(Request(CalibrationAction::BoardOffset), {{board, {0x19, 0x80}}});
  }
}

// Coulomb counter offset counts from -450 to -5, board offset counts within 300.
TEST(OffsetCalibration, CountRangesAreInclusiveAndTheScaledValueMustFit) {
  // Coulomb counter offset (c) and board offset (b) counts; "!" refused.
  for (const std::string c :
       {"c-451!", "c-450", "c-5", "c-4!", "b-301!", "b-300", "b300", "b301!"}) {
    const bool cc = c[0] == 'c', refused = c.back() == '!';
    const int count = std::stoi(c.substr(1));
    sim::Scenario s = WithCounterOffsets(DfType::RN44K18, cc ? count : 0, cc ? 0 : count);
    s.parameters = {{"Current Offset", 0}};
    const auto v = static_cast<uint16_t>(count * 64);
    CalRig(s).Expect(Request(cc ? CalibrationAction::CCOffset : CalibrationAction::BoardOffset),
                     {{cc ? 20U : 24U, {uint8_t(v >> 8), uint8_t(v & 0xFF)}}},
                     refused ? Texts{cc ? kCurrentFlowing : kLargeCurrent} : Texts{});
  }
  // The sample scale the gauge holds: 1 is a count of its own (-450 = 0xFE3E), 0 is none.
  using Scale = std::tuple<int, CalRig::Patches, Texts>;
  for (const auto& [scale, stored, said] :
       {Scale{1, {{20, {0xFE, 0x3E}}}, {}},
        Scale{100,
              {},
              {"The offset count of -450 times CC Offset Samples of 100 does not fit a signed "
               "16-bit Dataflash value.  Coulomb Counter Offset Calibration will abort."}},
        Scale{0,
              {},
              {"CC Offset Samples of 0 is not a valid sample count.  Coulomb Counter Offset "
               "Calibration will abort."}}}) {
    sim::Scenario s = WithCounterOffsets(DfType::RN44K18, -450, 0);
    s.parameters = {{"CC Offset Samples", scale}};
    CalRig(s).Expect(Request(CalibrationAction::CCOffset), stored, said);
  }
  // 300 x 64 - (-20000) = 39200.
  sim::Scenario b = WithCounterOffsets(DfType::RN44K18, 0, 300);
  b.parameters = {{"Current Offset", -20000}};
  CalRig(b).Expect(Request(CalibrationAction::BoardOffset), {},
                   {"The offset count of 300 times CC Offset Samples of 64 does not fit a signed "
                    "16-bit Dataflash value.  Board Offset Calibration will abort."});
  // A row placed where its two bytes do not fit the image: refused before the gauge is asked;
  // the last two bytes still take it (beyond the area the gauge holds, so nothing changes there).
  using Unplaced = std::tuple<CalibrationAction, size_t, const char*, std::string>;
  for (const auto& [action, item, position, message] :
       {Unplaced{CalibrationAction::CCOffset, 8, "255",
                 "Current Offset is not available in the calibration Dataflash image.  Coulomb "
                 "Counter Offset Calibration will abort."},
        Unplaced{CalibrationAction::BoardOffset, 8, "255",
                 "Current Offset is not available in the calibration Dataflash image.  Board "
                 "Offset Calibration will abort."},
        Unplaced{CalibrationAction::BoardOffset, 10, "255",
                 "Board Offset is not available in the calibration Dataflash image.  Board "
                 "Offset Calibration will abort."},
        Unplaced{CalibrationAction::BoardOffset, 10, "254", ""}}) {
    CalRig rig(WithCounterOffsets(DfType::RN44K18, -100, 100));
    Module().CalTable[kCalGroupRn44k18].items[item].position = position;
    rig.Expect(Request(action), {},
               message.empty() ? Texts{} : Texts{"Calibration parameter " + message});
  }
}

// Each calibration accepts only its own kind of raw block.
TEST(OffsetCalibration, EachRefusesTheOtherKindOfRawOutput) {
  CalRig cc(WithCounterOffsets(DfType::RN44K18, -100, 0));
  ASSERT_EQ(EnterCalibrationMode(kNormalRawOutput), 0);
  EXPECT_EQ(CalibrateCCOffset(), 1);
  CalRig board(WithCounterOffsets(DfType::RN44K18, -100, 0));
  ASSERT_EQ(EnterCalibrationMode(kOffsetRawOutput), 0);
  EXPECT_EQ(CalibrateBoardOffset(), 1);
  EXPECT_EQ(cc.Messages().back() + "|" + board.Messages().back(),
            "Error reading Raw CC Shorted Calibration Data. Please check connection with gas "
            "gauge. Calibration not completed.|Device is not in raw cal mode before calibrating "
            "board offset.");
  // RN44K18 entered with offset output already; CEDV and QSPAN ask for it again themselves.
  for (DfType family : {DfType::RN44K18, DfType::CEDV}) {
    CalRig rig(WithCounterOffsets(family, -100, 0));
    ASSERT_EQ(EnterCalibrationMode(kOffsetRawOutput), 0);
    rig.ClearTrace();
    ASSERT_EQ(CalibrateCCOffset(), 0);
    EXPECT_EQ(Count(rig.Steps(), "MAC:0001"), family == DfType::CEDV ? 1 : 0);
    // The shorted reading is taken 300 ms after the offset output began, 10 ms before raw output
    // ends; the image is read 100 ms after that.
    EXPECT_NE(rig.Steps().find("S:300 RB:23 S:10 MAC:F080 S:3 S:100 "), std::string::npos)
        << rig.Steps();
  }
}

TEST(CalParameters, PositionsMustHoldTheWholeValueAndFloatsKeepTheirBufferBytes) {
  Bench bench(DfType::RN44K18);
  DisplayItem& board = Module().CalTable[kCalGroupRn44k18].items[10];
  using Case = std::tuple<const char*, size_t, int>;  // position, width, offset (-1: refused)
  for (const auto& [position, width, offset] :
       {Case{"254", 2, 254}, Case{"255", 2, -1}, Case{"255", 1, 255}, Case{"252", 4, 252},
        Case{"253", 4, -1}, Case{"-1", 1, -1}, Case{"2.5", 2, 2}, Case{"3.5", 2, 4},
        Case{"x", 2, -1}, Case{"", 2, -1}}) {
    board.position = position;
    const auto p = FindCalParam({kCalGroupRn44k18, "Board Offset"}, width);
    EXPECT_EQ(p ? static_cast<int>(p->offset) : -1, offset) << position;
  }
  EXPECT_FALSE(FindCalParam({kCalGroupRn44k18, "No Such Row"}, 1));
  EXPECT_FALSE(FindCalParam({3, "Board Offset"}, 1));

  const auto bytes = EncodeF4(0.9419);
  std::copy(bytes.begin(), bytes.end(), Module().calBuffer.begin() + 12);
  DisplayItem& gain = Module().CalTable[kCalGroupRn44k18].items[6];
  const auto p = FindCalParam({kCalGroupRn44k18, "CC Gain"}, 4);
  gain.value = "0.942";  // three decimals of what the buffer holds
  EXPECT_NEAR(*ParamValue(*p), 0.9419, 1e-6);
  gain.value = "7.5";  // a text of its own: the text counts
  EXPECT_EQ(*ParamValue(*p), 7.5);
  gain.value = "";
  EXPECT_FALSE(ParamValue(*p));
  for (double v : {7.5, -2248203.26, std::ldexp(1.0, 125), std::ldexp(1.0, -129)})
    EXPECT_TRUE(FitsF4(v)) << v;
  for (double v : {0.0, std::ldexp(1.0, 126), std::ldexp(1.0, -130), 1e300, std::nan("")})
    EXPECT_FALSE(FitsF4(v)) << v;
}

}  // namespace
}  // namespace gaugecal::test
