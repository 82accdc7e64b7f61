#include "device/TableDecoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "config/DisplayTables.h"
#include "device/Codecs.h"
#include "device/ModuleState.h"
#include "platform/VirtualPlatform.h"

namespace gaugecal {
namespace {

class TableDecoders : public ::testing::Test {
 protected:
  TableDecoders() {
    ResetModule();
    Module().platform = &platform_;
    InitDisplayTables();
  }
  ~TableDecoders() override { ResetModule(); }

  // Puts bytes into the local calibration buffer at a position.
  static void Put(size_t position, std::initializer_list<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), Module().calBuffer.begin() + position);
  }
  static const std::string& CalValue(int group, const std::string& name) {
    for (const DisplayItem& item : Module().CalTable[group].items) {
      if (item.name == name)
        return item.value;
    }
    ADD_FAILURE() << "no row " << name;
    static const std::string none;
    return none;
  }

  VirtualPlatform platform_;
};

TEST_F(TableDecoders, CalibrationRowsReadBigEndianByType) {
  Module().calConfig.DFType = DfType::RN44K18;
  Put(0, {0xFF, 0xFE});               // I2 "Cell Scale 0"
  Put(2, {0x4F, 0xF4});               // I2 "Cell Scale 1"
  Put(8, {0xA0, 0x28});               // U2 "Pack Gain": 41000, above the signed range
  Put(12, {0x80, 0x71, 0x20, 0x5C});  // F4 "CC Gain"
  Put(16, {0x93, 0x09, 0x2C, 0x94});  // F4 "Capacity Gain" 280932.625
  Put(20, {0xE3, 0xDC});              // I2 "Current Offset" -7204
  Put(26, {0x80, 0xFF, 0x7F, 0x05});  // I1 offsets
  TransferCalBufferToTable();

  struct Case {
    const char* name;
    const char* text;
  };
  for (const Case& c :
       {Case{"Cell Scale 0", "-2"}, Case{"Cell Scale 1", "20468"}, Case{"Pack Gain", "41000"},
        Case{"CC Gain", "0.942"}, Case{"Capacity Gain", "280932.625"},
        Case{"Current Offset", "-7204"}, Case{"CC Offset Samples", "0"},
        Case{"Int Temp Offset", "-128"}, Case{"Ext 1 Temp Offset", "-1"},
        Case{"Ext 2 Temp Offset", "127"}, Case{"Ext 3 Temp Offset", "5"}}) {
    EXPECT_EQ(CalValue(kCalGroupRn44k18, c.name), c.text) << c.name;
  }
}

TEST_F(TableDecoders, EachFamilyDecodesItsGroupFromItsBase) {
  struct Case {
    DfType family;
    bool map;
    int16_t address;
    int group;
    const char* name;
    size_t position;  // where the row's bytes are read
  };
  // Rows of 32 bytes, pages of 64 bytes, a subclass from byte 0; the map keeps the family's base.
  for (const Case& c : {Case{DfType::RN44K18, false, 0, kCalGroupRn44k18, "Battery Gain", 10},
                        Case{DfType::RN44K18, false, 40, kCalGroupRn44k18, "Battery Gain", 18},
                        Case{DfType::CEDV_PLUS, false, 70, kCalGroupRn44k18, "Battery Gain", 16},
                        Case{DfType::CEDV, false, 0, kCalGroupCedv, "Alt Cell 1 Scale", 21},
                        Case{DfType::CEDV, false, 40, kCalGroupCedv, "Alt Cell 1 Scale", 61},
                        Case{DfType::CEDV, true, 40, kCalGroupRn44k18, "Battery Gain", 50},
                        Case{DfType::QSPAN, false, 40, kCalGroupQspan, "AFE Pack Gain", 17},
                        Case{DfType::QSPAN, true, 40, kCalGroupRn44k18, "Battery Gain", 10}}) {
    InitDisplayTables();
    Module().calBuffer.fill(0);
    Module().calConfig.DFType = c.family;
    Module().calConfig.UseDataflashMap = c.map;
    Module().calDataFlashAddress = c.address;
    Put(c.position, {0x12, 0x34});
    ASSERT_EQ(CalGroupForFamily(), c.group);
    TransferCalBufferToTable();
    EXPECT_EQ(CalValue(c.group, c.name), "4660")
        << DfTypeName(c.family) << " map " << c.map << " address " << c.address;
    for (int other = 0; other < 3; ++other) {
      for (const DisplayItem& item : Module().CalTable[other].items)
        EXPECT_TRUE(other == c.group || item.value.empty()) << "group " << other << " untouched";
    }
  }
}

TEST_F(TableDecoders, RowsWithAnUnknownTypeOrNoRoomKeepTheirText) {
  Module().calConfig.DFType = DfType::RN44K18;
  auto& items = Module().CalTable[kCalGroupRn44k18].items;
  items[0].dataType = "X9";
  items[0].value = "kept";
  items[1].position = "255";  // a two-byte value would read past the buffer
  items[1].value = "kept too";
  TransferCalBufferToTable();
  EXPECT_EQ(items[0].value, "kept");
  EXPECT_EQ(items[1].value, "kept too");
  EXPECT_EQ(items[2].value, "0");
  EXPECT_TRUE(platform_.Messages().empty()) << "the calibration decoder shows no message";
}

TEST_F(TableDecoders, LiveRowsReadLittleEndian) {
  std::array<uint8_t, 32> block{};
  // Temperatures: 2982 is 25.0 degC, 2700 is -3.2, 2732 is zero.
  const std::array<uint16_t, 7> raw = {2982, 2700, 2732, 3232, 0, 2733, 65535};
  for (size_t i = 0; i < raw.size(); ++i) {
    block[2 * i] = static_cast<uint8_t>(raw[i] & 0xFF);
    block[2 * i + 1] = static_cast<uint8_t>(raw[i] >> 8);
  }
  for (int16_t row = 0; row < 7; ++row)
    DecodeMODRow(kLiveTemperatures, row, block);
  const auto& t = Module().LiveTable[kLiveTemperatures].items;
  const std::vector<std::string> expected = {"25.0",   "-03.2", "00.0",  "50.0",
                                             "-273.2", "00.1",  "6280.3"};
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(t[i].value, expected[i]) << t[i].name;

  // Raw calibration group: counter, status, signed coulomb counter, unsigned cell voltage.
  const std::array<uint8_t, 26> raw_block = {7, 1, 0x00, 0x80, 0x74, 0x0E, 0xFF, 0xFF};
  for (int16_t row = 0; row < 5; ++row)
    DecodeMODRowToLocal(kLiveRawCal, row, raw_block);
  const auto& r = Module().LiveTable[kLiveRawCal].items;
  EXPECT_EQ(r[0].value, "7");
  EXPECT_EQ(r[1].value, "1");
  EXPECT_EQ(r[2].value, "-32768");
  EXPECT_EQ(r[3].value, "3700");
  EXPECT_EQ(r[4].value, "65535");
  EXPECT_TRUE(platform_.Messages().empty());
}

TEST_F(TableDecoders, UnknownLiveTypesShowTheirMessageAndKeepTheText) {
  struct Case {
    const char* type;
    bool local;
    const char* message;
  };
  for (const Case& c :
       {Case{"F4", false, "Unknown data type"}, Case{"I1", false, "Unknown data type"},
        Case{"", false, "Unknown data type"},
        Case{"T2", true, "Unknown data type reading data into local structure."},
        Case{"I1", true, "Unknown data type reading data into local structure."}}) {
    platform_.ClearMessages();
    DisplayItem& item = Module().LiveTable[kLiveVoltages].items[0];
    item.dataType = c.type;
    item.value = "before";
    const std::array<uint8_t, 4> block = {1, 2, 3, 4};
    if (c.local)
      DecodeMODRowToLocal(kLiveVoltages, 0, block);
    else
      DecodeMODRow(kLiveVoltages, 0, block);
    EXPECT_EQ(item.value, "before");
    ASSERT_EQ(platform_.Messages().size(), 1U) << c.type;
    EXPECT_EQ(platform_.Messages()[0].text, c.message);
    EXPECT_EQ(platform_.Messages()[0].icon, MsgIcon::None);
    EXPECT_EQ(platform_.Messages()[0].title, "");
  }
}

TEST_F(TableDecoders, LiveRowsNeverReadPastTheBlock) {
  const std::array<uint8_t, 11> shortBlock{};
  DisplayItem& pack = Module().LiveTable[kLiveVoltages].items[5];  // U2 at 10: needs 12 bytes
  pack.value = "old";
  DecodeMODRow(kLiveVoltages, 5, shortBlock);
  EXPECT_EQ(pack.value, "old");
  DecodeMODRow(kLiveVoltages, 16, shortBlock);  // no such row
  DecodeMODRow(4, 0, shortBlock);               // no such group
  EXPECT_TRUE(platform_.Messages().empty());
}

}  // namespace
}  // namespace gaugecal
