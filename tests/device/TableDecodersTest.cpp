// The decoders behind both grids: calibration rows from the local calibration buffer (big-endian)
// and live rows from manufacturer blocks (little-endian). What the gauge reports decodes end to
// end in the manufacturer access, measurement and calibration tests.

#include "device/TableDecoders.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/Bench.h"

namespace gaugecal::test {
namespace {

void Put(size_t position, std::initializer_list<uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), Module().calBuffer.begin() + position);
}

std::string Values(int group) {
  std::string shown;
  for (const DisplayItem& item : Module().CalTable[group].items)
    shown += item.name.empty() ? "" : item.value + " ";
  return shown;
}

TEST(TableDecoders, CalibrationRowsReadBigEndianByType) {
  Bench bench(DfType::RN44K18);
  Put(0, {0xFF, 0xFE, 0x4F, 0xF4, 0, 0, 0, 1});   // I2 cell scales
  Put(8, {0xA0, 0x28, 0x12, 0x34});               // U2 gains: 41000, above the signed range
  Put(12, {0x80, 0x71, 0x20, 0x5C});              // F4 "CC Gain"
  Put(16, {0x93, 0x09, 0x2C, 0x94});              // F4 "Capacity Gain"
  Put(20, {0xE3, 0xDC, 0x00, 0x40, 0x80, 0x00});  // I2 offsets and samples
  Put(26, {0x80, 0xFF, 0x7F, 0x05, 0x01});        // I1 temperature offsets
  auto& items = Module().CalTable[kCalGroupRn44k18].items;
  items[14].dataType = "X9";  // a row of unknown type and one without room keep their text
  items[14].value = "kept";
  items[15].dataType = "I2";
  items[15].position = "255";
  items[15].value = "kept too";
  items[9].position = "254";  // a two-byte value just fits
  Put(254, {0x01, 0x00});
  TransferCalBufferToTable();
  EXPECT_EQ(Values(kCalGroupRn44k18),
            "-2 20468 0 1 41000 4660 0.942 280932.625 -7204 256 -32768 -128 -1 127 kept kept too ");
  EXPECT_TRUE(bench.Messages().empty()) << "the calibration decoder shows no message";
  // An area from byte 31 of its third row: the positions count from byte 31 of the buffer.
  Module().calDataFlashAddress = 95;
  Put(31, {0x00, 0x07});
  TransferCalBufferToTable();
  EXPECT_EQ(items[0].value, "7");
}

TEST(TableDecoders, LiveRowsOfUnknownTypeOrOutsideTheBlockKeepTheirText) {
  using Case = std::tuple<const char*, bool, const char*>;
  for (const auto& [type, local, message] :
       {Case{"F4", false, "Unknown data type"}, Case{"I1", false, "Unknown data type"},
        Case{"T2", true, "Unknown data type reading data into local structure."},
        Case{"I1", true, "Unknown data type reading data into local structure."}}) {
    Bench bench(DfType::RN44K18);
    DisplayItem& item = Module().LiveTable[kLiveVoltages].items[0];
    item.dataType = type;
    item.value = "before";
    const std::array<uint8_t, 4> block = {1, 2, 3, 4};
    local ? DecodeMODRowToLocal(kLiveVoltages, 0, block) : DecodeMODRow(kLiveVoltages, 0, block);
    EXPECT_EQ(item.value, "before");
    EXPECT_EQ(bench.Messages(), std::vector<std::string>{message});
    EXPECT_EQ(bench.platform.Messages()[0].icon, MsgIcon::None);
  }
  Bench bench(DfType::RN44K18);
  const std::array<uint8_t, 12> block = {0xA6, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0x34};
  DisplayItem& pack = Module().LiveTable[kLiveVoltages].items[5];  // U2 at 10
  DecodeMODRow(kLiveVoltages, 5, block);
  DecodeMODRow(kLiveTemperatures, 0, block);  // T2 at 0: 2982 is 25.0 degC
  EXPECT_EQ(pack.value + " " + Module().LiveTable[kLiveTemperatures].items[0].value, "52 25.0");
  DecodeMODRow(kLiveVoltages, 5, std::span(block).first(11));  // needs 12 bytes
  DecodeMODRow(kLiveVoltages, 16, block);                      // no such row
  DecodeMODRow(4, 0, block);                                   // no such group
  DecodeMODRowToLocal(-1, 0, block);
  EXPECT_EQ(pack.value, "52");
  EXPECT_TRUE(bench.Messages().empty());
}

}  // namespace
}  // namespace gaugecal::test
