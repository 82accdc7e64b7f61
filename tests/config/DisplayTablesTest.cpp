#include "config/DisplayTables.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "device/ModuleState.h"

namespace gaugecal {
namespace {

class DisplayTables : public ::testing::Test {
 protected:
  DisplayTables() {
    ResetModule();
    InitDisplayTables();
  }
  ~DisplayTables() override { ResetModule(); }
};

size_t Width(const std::string& type) {
  if (type == "U1" || type == "I1")
    return 1;
  return type == "F4" ? 4 : 2;
}

TEST_F(DisplayTables, GroupHeads) {
  struct Head {
    const DisplayGroup& group;
    int16_t subcommand;
    const char* name;
    int32_t blockCommand;
    int32_t count;
    bool throughMac;
  };
  const auto& live = Module().LiveTable;
  const auto& cal = Module().CalTable;
  for (const Head& h : {Head{live[kLiveVoltages], 0x71, "Voltages", 0x23, 6, true},
                        Head{live[kLiveTemperatures], 0x72, "Temperatures", 0x23, 7, true},
                        Head{live[kLiveRawCal], 0x82, "Raw Cal Values", 0x23, 11, true},
                        Head{live[kLiveCurrent], 0x0A, "Current", 0x0A, 1, false},
                        Head{cal[kCalGroupRn44k18], 0, "Calibration", 23, 15, false},
                        Head{cal[kCalGroupCedv], 0x82, "Calibration Dataflash", 0x23, 15, true},
                        Head{cal[kCalGroupQspan], 0x82, "Calibration Dataflash", 0x23, 15, true}}) {
    EXPECT_EQ(h.group.subcommand, h.subcommand) << h.name;
    EXPECT_EQ(h.group.name, h.name);
    EXPECT_EQ(h.group.blockCommand, h.blockCommand) << h.name;
    EXPECT_EQ(h.group.itemCount, h.count) << h.name;
    EXPECT_EQ(h.group.throughMAC, h.throughMac) << h.name;
    for (const DisplayItem& item : h.group.items) {
      EXPECT_EQ(item.value, "") << item.name;
      EXPECT_EQ(item.gridRow, 0) << item.name;
    }
  }
}

TEST_F(DisplayTables, EveryCalibrationRowFitsItsFamilysArea) {
  // Two 32-byte rows, the 64-byte page, the 32-byte calibration subclass.
  const std::array<size_t, 3> areaBytes = {64, 64, 32};
  for (size_t g = 0; g < areaBytes.size(); ++g) {
    for (const DisplayItem& item : Module().CalTable[g].items) {
      if (!item.name.empty()) {
        EXPECT_LE(std::stoul(item.position) + Width(item.dataType), areaBytes[g]) << item.name;
      }
    }
  }
}

TEST_F(DisplayTables, RowFamilyCalibrationRowsFollowEachOtherWithoutGaps) {
  size_t next = 0;
  for (const DisplayItem& item : Module().CalTable[kCalGroupRn44k18].items) {
    EXPECT_EQ(item.position, std::to_string(next)) << item.name;
    next += Width(item.dataType);
  }
  EXPECT_EQ(next, 31U);
}

TEST_F(DisplayTables, OnlyRowFamilyGroupCarriesLocationKeys) {
  std::map<std::string, std::string> keys;
  for (const DisplayItem& item : Module().CalTable[kCalGroupRn44k18].items) {
    if (!item.key.empty())
      keys[item.key] = item.name;
  }
  EXPECT_EQ(keys, (std::map<std::string, std::string>{{"Cell Scale 0", "Cell Scale 0"},
                                                      {"Cell Scale 1", "Cell Scale 1"},
                                                      {"ScaleCell0", "Cell Scale 2"},
                                                      {"ScaleCell1", "Cell Scale 3"},
                                                      {"CC Gain", "CC Gain"},
                                                      {"Capacity Gain", "Capacity Gain"},
                                                      {"Current Offset", "Current Offset"},
                                                      {"IntTS", "Int Temp Offset"},
                                                      {"ExtTS1", "Ext 1 Temp Offset"},
                                                      {"ExtTS2", "Ext 2 Temp Offset"},
                                                      {"ExtTS3", "Ext 3 Temp Offset"},
                                                      {"ExtTS4", "Ext 4 Temp Offset"}}));
  for (int g : {kCalGroupCedv, kCalGroupQspan}) {
    for (const DisplayItem& item : Module().CalTable[g].items)
      EXPECT_EQ(item.key, "") << item.name;
  }
}

TEST_F(DisplayTables, LiveRowsAreNeverShownInTheDataFlashGrid) {
  for (const DisplayGroup& g : Module().LiveTable) {
    for (const DisplayItem& item : g.items)
      EXPECT_FALSE(item.shown) << g.name << " " << item.name;
  }
}

TEST_F(DisplayTables, DataFlashGridOfRowFamiliesShowsFourteenRowsInItemOrder) {
  std::vector<std::string> shown;
  for (const DisplayItem& item : Module().CalTable[kCalGroupRn44k18].items) {
    if (item.shown)
      shown.push_back(item.name);
  }
  EXPECT_EQ(shown,
            (std::vector<std::string>{
                "Cell Scale 0", "Cell Scale 1", "Cell Scale 2", "Cell Scale 3", "Pack Gain",
                "Battery Gain", "CC Gain", "Capacity Gain", "Current Offset", "CC Offset Samples",
                "Board Offset", "Int Temp Offset", "Ext 1 Temp Offset", "Ext 2 Temp Offset"}));
}

TEST_F(DisplayTables, LiveRawGroupCountsElevenRowsEndingWithTheTwoOddPositions) {
  const DisplayGroup& raw = Module().LiveTable[kLiveRawCal];
  ASSERT_EQ(raw.itemCount, 11);
  EXPECT_EQ(raw.items[9].name, "TS4");
  EXPECT_EQ(raw.items[9].position, "20");
  EXPECT_EQ(raw.items[10].name, "Pack Voltage");
  EXPECT_EQ(raw.items[10].position, "22");
}

TEST_F(DisplayTables, SetsTheDataFlashSettleTimes) {
  EXPECT_FLOAT_EQ(Module().dfReadSettle, 0.02F);
  EXPECT_FLOAT_EQ(Module().dfWriteSettle, 0.132F);
}

TEST_F(DisplayTables, RebuildDiscardsValuesGridRowsAndLocationChanges) {
  DisplayItem& scale = Module().CalTable[kCalGroupRn44k18].items[2];
  scale.value = "20500";
  scale.gridRow = 3;
  scale.position = "33";
  scale.shown = false;
  Module().LiveTable[kLiveTemperatures].itemCount = 5;
  Module().LiveTable[kLiveTemperatures].items[3].name = "Cell Temp";
  InitDisplayTables();
  EXPECT_EQ(scale.value, "");
  EXPECT_EQ(scale.gridRow, 0);
  EXPECT_EQ(scale.position, "4");
  EXPECT_TRUE(scale.shown);
  EXPECT_EQ(Module().LiveTable[kLiveTemperatures].itemCount, 7);
  EXPECT_EQ(Module().LiveTable[kLiveTemperatures].items[3].name, "TS3 Temp");
}

}  // namespace
}  // namespace gaugecal
