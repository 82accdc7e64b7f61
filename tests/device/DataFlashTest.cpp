// Data flash access end to end through the simulated gauges: what each family's read and write
// paths put on the bus (order, commands, lengths, settle times), that a verified write leaves the
// new image in the gauge, the retries, every failure and its message, and the cell counts.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "calibration/Acquisition.h"
#include "device/DataFlash.h"
#include "support/Bench.h"

namespace gaugecal::test {
namespace {

using Bytes = std::vector<uint8_t>;

const std::string kDescriptions = std::string(GAUGECAL_SAMPLE_APPDIR) + "/dataflash/";

const std::map<std::string, std::string> kSaid = {
    {"CedvWrite",
     "Not able to Write First CEDV Calibration block to DataFlash. Please check communications. "
     "Calibration values not written to Dataflash."},
    {"CedvVerify",
     "Read verification of first block written to Dataflash did not match. Please check "
     "communications. Calibration values incorrectly written to Dataflash."},
    {"Cedv2Write", "Not able to Write Second CEDV Calibration block to DataFlash."},
    {"Cedv2Verify",
     "Read verification of second CEDV DF block written to Dataflash did not match. Please check "
     "communications with devices. Calibration not completed."},
    {"SubLength",
     "Number of read from calibration subclass is fewer than expected.  Please check "
     "communication with device."},
    {"SubWrite", "Communication error writing local calibration buffer to Dataflash."},
    {"SubRead", "Communication or length incorrect copying calibration dataflash to local buffer."},
    {"SubVerify",
     "Verification of calibration Dataflash written and compared with readback failed.  Please "
     "check communications and perform calibration again."},
    {"Row1Verify", "First Calibration Row written failed verification."},
    {"Row2Request", "Communication Error when Requesting Second Calibration Dataflash Row."},
    {"Row2Write", "Not able to Write Second Calibration row to DataFlash."},
    {"Row2Read", "Communications error reading second DF row for verification."},
    {"Row2Verify", "Second Calibration Row written failed verification."},
    {"AbsRequest", "Communication Error when Requesting Absolute Dataflash Read."},
    {"AbsRead", "Communication Error returned reading absolute address."},
    {"AbsRead2", "Communication Error returned when reading block to write absolute address."},
    {"AbsPage", "Communication error when requesting absolute page to write."},
    {"AbsWrite", "Communication Error returned when writing absoute address to Dataflash."},
    {"AbsVerify", "Verification of absolute Dataflash write and readback failed."},
    {"CellsCedv",
     "Error reading Pack config from CEDV device to determine number of cells in use."},
    {"CellsRows",
     "Unable to read number of configured cells from Dataflash. Please check communications "
     "with device."},
    {"CellsRequest",
     "Attempt to request class data from Dataflash failed.  Please check communication with "
     "device."},
    {"CellsBlock",
     "Unable to read class Configuration subclass Registers parameter Operation Cfg A from "
     "Dataflash."},
    {"CellsFile",
     "Can not open Dataflash configuration file attempting to read number of configured cells. "
     "Please reinstall Morvane."},
    {"CellsParam",
     "Unable to obtain Subclass and Offset for parameter Operation Cfg A from Dataflash. Please "
     "check communication with device."},
};

// The messages shown, by their keys above.
std::string Said(const Bench& bench) {
  std::string keys;
  for (const std::string& text : bench.Messages()) {
    const auto it = std::find_if(kSaid.begin(), kSaid.end(),
                                 [&text](const auto& k) { return k.second == text; });
    keys += (keys.empty() ? "" : " ") + (it == kSaid.end() ? text : it->first);
  }
  return keys;
}

Bytes Buffer(size_t n) {
  return {Module().calBuffer.begin(), Module().calBuffer.begin() + static_cast<std::ptrdiff_t>(n)};
}

const char* kRowsRead = "CFE S:50 MAC:0100 S:3 S:20 RB:2F S:100 W:20 MAC:0101 S:3 W:20 RB:2F W:20";
const char* kRowsWrite =
    "CFE MAC:F080 S:3 S:100 MAC:0100 S:3 S:3 S:3 WB:2F/32 S:200 CFE MAC:0100 S:3 S:3 RB:2F "
    "MAC:0101 S:3 S:3 WB:2F/32 S:200 MAC:0101 S:3 S:3 RB:2F";

TEST(DataFlash, EachFamilyReadsAndWritesItsCalibrationAreaInItsOwnScheme) {
  using Case = std::tuple<DfType, size_t, const char*, const char*>;
  for (const auto& [family, length, read, write] : {
           Case{DfType::CEDV, 64, "RB:58", "MAC:F080 S:3 S:150 WB:58/64 W:132 RB:58"},
           Case{DfType::QSPAN, 32, "CFE S:20 WW_:77=0068 S:5 RB:78",
                "CFE S:20 WW_:77=0068 S:10 RB:78 WW_:77=0068 S:5 WB:78/32 S:132 CFE S:20 "
                "WW_:77=0068 S:5 RB:78"},
           Case{DfType::RN44K18, 64, kRowsRead, kRowsWrite},
           Case{DfType::CEDV_PLUS, 64, kRowsRead, kRowsWrite},
       }) {
    SCOPED_TRACE(DfTypeName(family));
    Bench bench(family);
    EXPECT_EQ(ReadCalBuffer(), 0);
    EXPECT_EQ(bench.Steps(), read);
    EXPECT_EQ(Buffer(length), bench.CalArea());
    for (size_t at = 1; at < length; at += 19)
      Module().calBuffer[at] ^= 0x5A;  // a byte in every row
    bench.ClearTrace();
    EXPECT_EQ(WriteCalBuffer(), 0);
    EXPECT_EQ(bench.Steps(), write);
    EXPECT_EQ(Buffer(length), bench.CalArea());
    EXPECT_EQ(Said(bench), "");
  }
  Bench unknown(DfType::CEDV);
  Module().calConfig.DFType = static_cast<DfType>(7);
  EXPECT_EQ(ReadCalBuffer() + WriteCalBuffer(), 0);
  EXPECT_EQ(unknown.Steps(), "");
}

TEST(DataFlash, ReadsRetryShortPagesAndFailOnShortOrRefusedRows) {
  Bench bench(DfType::CEDV, "short RB:58 x2");
  EXPECT_EQ(ReadCalBuffer(), 0);
  EXPECT_EQ(bench.Steps(), "RB:58 W:20 S:100 RB:58 W:20 S:100 RB:58");
  EXPECT_EQ(Buffer(64), bench.CalArea());
  Bench never(DfType::CEDV, "short RB:58 x9");
  EXPECT_EQ(ReadCalBuffer(), 1);
  EXPECT_EQ(Count(never.Steps(), "RB:58"), 9) << "a read and eight retries";
  // A CEDV area at 40 runs into page 1, of which 32 bytes are taken.
  Bench spans(DfType::CEDV);
  Module().calDataFlashAddress = 40;
  EXPECT_EQ(ReadCalBuffer(), 0);
  EXPECT_EQ(spans.Steps(), "RB:58 RB:59 W:20");
  Bytes expected(spans.Gauge().Flash().Bytes().begin(), spans.Gauge().Flash().Bytes().begin() + 96);
  expected.push_back(0);  // and nothing more
  EXPECT_EQ(Buffer(97), expected);
  // The 29 bytes at 35 count as running into page 1 (the area's end is kept off the last byte);
  // at 34 they do not.
  for (const auto& [address, steps] : {std::pair<int16_t, const char*>{35, "RB:58 RB:59 W:20"},
                                       std::pair<int16_t, const char*>{34, "RB:58"}}) {
    Bench edge(DfType::CEDV);
    Module().calDataFlashAddress = address;
    EXPECT_EQ(ReadCalBuffer(), 0);
    EXPECT_EQ(edge.Steps(), steps) << address;
  }

  using Case = std::tuple<DfType, const char*, int32_t, const char*>;
  for (const auto& [family, faults, result, said] :
       {Case{DfType::QSPAN, "nack RB:78", 1, "SubRead"},
        Case{DfType::QSPAN, "short RB:78 -18", 1, "SubRead"},
        Case{DfType::QSPAN, "short RB:78 -17", 0, ""}, Case{DfType::RN44K18, "short RB:2F", 1, ""},
        Case{DfType::CEDV_PLUS, "long RB:2F", 1, ""},
        Case{DfType::CEDV_PLUS, "short RB:2F #2", 1, ""},
        Case{DfType::RN44K18, "nack RB:2F #2", 1, ""}}) {
    Bench failing(family, faults);
    EXPECT_EQ(ReadCalBuffer(), result) << faults;
    EXPECT_EQ(Said(failing), said);
    if (family != DfType::QSPAN && std::string(faults).find('#') == std::string::npos) {
      const Bytes area = failing.CalArea(), buffer = Buffer(64);
      EXPECT_TRUE(std::equal(area.begin() + 32, area.end(), buffer.begin() + 32))
          << "the second row is taken after a short first one";
    }
  }
}

// Absolute bytes are read through the one or two rows that hold them; the write is swept below.
TEST(DataFlash, AbsoluteBytesAreReadThroughTheRowsThatHoldThem) {
  for (const auto& [address, rows] : std::vector<std::pair<int16_t, std::string>>{
           {64, "S:3 S:50 RB:2F S:50 MAC:0102 S:3 S:3 RB:2F"},
           {31, "MAC:0100 RB:2F MAC:0101 RB:2F"},
           {95, "MAC:0102 RB:2F MAC:0103 RB:2F"}}) {
    Bench bench(DfType::CEDV_PLUS);
    const Bytes& flash = bench.Gauge().Flash().Bytes();
    uint8_t first = 0, second = 0;
    EXPECT_EQ(ReadAbsoluteDF(address, first, second), 0);
    EXPECT_EQ(first << 8 | second, flash[address] << 8 | flash[address + 1]);
    EXPECT_EQ(bench.Steps(address != 64), (address == 64 ? "MAC:F080 " : "MAC:F080 RB:2F ") + rows);
  }
  Bench bench(DfType::RN44K18, "short RB:2F #2");
  uint8_t a = 0, b = 0;
  EXPECT_EQ(ReadAbsoluteDF(-1, a, b) + WriteAbsoluteDF(-1, a, b), 2);
  EXPECT_EQ(bench.Steps(), "") << "no row holds a negative address; callers report it";
  EXPECT_EQ(ReadAbsoluteDF(64, a, b), 1);
  EXPECT_EQ(Said(bench), "AbsRead");
}

// For every transfer a write path makes, a fresh gauge refuses exactly that transfer. A path
// may only report success when the gauge holds the verified new image, and every failure
// shows the messages of its step; the table records what the gauge holds afterwards, per
// part of the area that one transfer writes.
TEST(DataFlash, NoWritePathReportsSuccessUnlessTheGaugeHoldsTheNewImage) {
  const char* rows =
      "MAC:F080 0 new|MAC:0100 1 old,new Row1Verify|WB:2F/32 1 old,new Row1Verify|MAC:0100 0 "
      "new|RB:2F 1 new Row1Verify|MAC:0101 1 new,old Row2Request|WB:2F/32 1 new,old Row2Write|"
      "MAC:0101 0 new|RB:2F 1 new Row2Read Row2Verify";
  struct Path {
    DfType family;
    int16_t address;
    int unit, units;         // the area from byte 0, in parts of one transfer
    std::vector<int> edits;  // bytes of the area the new image changes
    std::function<int32_t()> write;
    const char* sweep;  // per refused transfer: step, status, what the gauge holds, messages
  };
  const auto absolute = [] {
    return WriteAbsoluteDF(63, Module().calBuffer[63], Module().calBuffer[64]);
  };
  for (const Path& p : {
           Path{DfType::CEDV,
                40,
                32,
                3,
                {41, 70},
                WriteCEDVCalBlocks,
                "MAC:F080 0 new|WB:58/64 1 old CedvWrite|RB:58 1 new,new,old CedvVerify|"
                "WB:59/32 1 new,new,old Cedv2Write|RB:59 1 new Cedv2Verify"},
           // Subclass 104 stays selected after the first request.
           Path{DfType::QSPAN,
                0,
                32,
                1,
                {1},
                WriteCalSubclass,
                "WW_:77=0068 1 old SubLength|RB:78 1 old SubLength|WW_:77=0068 0 new|"
                "WB:78/32 1 old SubWrite|WW_:77=0068 0 new|RB:78 1 new SubRead SubVerify"},
           Path{DfType::RN44K18, 0, 32, 2, {1, 33}, WriteCalRows, rows},
           Path{DfType::CEDV_PLUS, 0, 32, 2, {1, 33}, WriteCalRows, rows},
           // A refused row request leaves the row selected before it; once a row was stored, a
           // failure writes the old rows back.
           Path{DfType::RN44K18,
                0,
                32,
                3,
                {63, 64},
                absolute,
                "MAC:F080 0 new|RB:2F 0 new|MAC:0101 1 old AbsRequest|RB:2F 1 old AbsRead2|"
                "MAC:0102 1 old AbsRequest|RB:2F 1 old AbsRead2|MAC:0101 1 old AbsPage|"
                "WB:2F/32 1 old AbsWrite|MAC:0102 1 old AbsPage|WB:2F/32 1 old AbsWrite|"
                "MAC:0101 1 old AbsVerify|RB:2F 1 old AbsVerify|MAC:0102 1 old AbsVerify|"
                "RB:2F 1 old AbsVerify"},
       }) {
    SCOPED_TRACE(p.sweep);
    // The path's outcome against a gauge with the given faults; the clean run's transfers.
    const auto run = [&p](const std::string& faults, std::vector<nlohmann::json>* transfers) {
      Bench bench(p.family, faults);
      Module().calDataFlashAddress = p.address;
      const Bytes& flash = bench.Gauge().Flash().Bytes();
      const Bytes old(flash.begin(), flash.begin() + p.unit * p.units);
      Bytes image = old;
      for (int at : p.edits)
        image[at] ^= 0x5A;
      std::copy(image.begin(), image.end(), Module().calBuffer.begin());
      std::string outcome = std::to_string(p.write()) + " ";
      const Bytes now(flash.begin(), flash.begin() + p.unit * p.units);
      for (int u = 0; u < p.units && now != image && now != old; ++u) {
        const auto part = [u, &p](const Bytes& b) {
          return Bytes(b.begin() + u * p.unit, b.begin() + (u + 1) * p.unit);
        };
        outcome += (u ? "," : "") + std::string(part(now) == part(image) ? "new" : "old");
      }
      outcome += now == image ? "new" : now == old ? "old" : "";
      if (!bench.Messages().empty())
        outcome += " " + Said(bench);
      for (const auto& e : bench.Trace()) {
        if (transfers && e.contains("cmd"))
          transfers->push_back(e);
      }
      return outcome;
    };
    std::vector<nlohmann::json> transfers;
    ASSERT_EQ(run("", &transfers), "0 new");
    std::string sweep;
    std::map<std::string, int> seen;
    for (const auto& e : transfers) {
      const std::string step = Step(e);
      const std::string target = step[0] == 'M' ? "MAC" : step.substr(0, step.find_first_of("=/"));
      sweep += (sweep.empty() ? "" : "|") + step + " " +
               run("nack " + target + " #" + std::to_string(++seen[target]), nullptr);
    }
    EXPECT_EQ(sweep, p.sweep);
  }
  // Both rows stored wrong at the same byte: the first row is reported.
  Bench both(DfType::RN44K18, "corrupt #1 x2 @5 ^40");
  ASSERT_EQ(ReadCalBuffer(), 0);
  EXPECT_EQ(WriteCalBuffer(), 1);
  EXPECT_EQ(Said(both), "Row1Verify");
}

TEST(DataFlash, CellCountsFromEachFamilysSourceAndTheirBoundaries) {
  // family, parameter, where the cell bits sit in its value, the other bits
  using Source = std::tuple<DfType, std::string, int, int>;
  for (const auto& [family, parameter, shift, others] :
       {Source{DfType::CEDV, "Pack Configuration", 8, 0},
        Source{DfType::QSPAN, "Operation Cfg A", 8, 0},
        Source{DfType::RN44K18, "System Configuration", 0, 0x08},
        Source{DfType::CEDV_PLUS, "System Configuration", 8, 0}}) {
    // Bits 0 give one cell on CEDV and QSPAN (outside the range), no count on the others.
    const bool plusOne = family == DfType::CEDV || family == DfType::QSPAN;
    for (int bits = 0; bits < 4; ++bits) {
      sim::Scenario s = sim::DefaultScenario(family);
      s.parameters.push_back({parameter, bits << shift | others});
      Bench bench(s);
      Module().DataFlashFilePath = kDescriptions + "qspan_450.gdf.json";
      int16_t cells = -1;
      EXPECT_EQ(ReadCellCount(cells), bits == 0 ? 1 : 0) << parameter << bits;
      EXPECT_EQ(cells, bits == 0 && !plusOne ? 0 : bits + 1) << parameter << bits;
      EXPECT_EQ(Said(bench), "");
    }
  }
}

TEST(DataFlash, CellCountReadsLeaveCalibrationModeAndReportWhatFails) {
  Bench bench(DfType::RN44K18);
  Module().calModeFlag = true;
  int16_t cells = 0;
  EXPECT_EQ(ReadCellCount(cells), 0);
  EXPECT_EQ(cells, 4);
  EXPECT_THAT(bench.Steps(true), ::testing::StartsWith("MAC:F080 MAC:F080"));

  using Case = std::tuple<DfType, const char*, const char*, const char*>;
  for (const auto& [family, description, faults, said] :
       {Case{DfType::CEDV, "", "nack RW:2F", "CellsCedv"},
        Case{DfType::CEDV_PLUS, "", "nack RB:2F #2", "AbsRead CellsRows"},
        Case{DfType::QSPAN, "qspan_450", "nack WW:77", ""},
        Case{DfType::QSPAN, "qspan_450", "nack WW:77 x2", "CellsRequest"},
        Case{DfType::QSPAN, "qspan_450", "nack RB:78", "CellsBlock"},
        Case{DfType::QSPAN, "missing", "", "CellsFile"},
        Case{DfType::QSPAN, "cedv_250", "", "CellsParam"}}) {
    Bench failing(family, faults);
    Module().DataFlashFilePath = kDescriptions + description + ".gdf.json";
    cells = -1;
    EXPECT_EQ(ReadCellCount(cells), *said ? 1 : 0) << faults;
    EXPECT_EQ(Said(failing), said);
    EXPECT_EQ(cells, *said ? -1 : 4);
    if (std::string(faults).find("WW:77") != std::string::npos) {
      EXPECT_THAT(failing.Steps(), ::testing::StartsWith("CFE WW:77=00,40 S:100 WW:77=00,40"));
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
