#include "config/DisplayTables.h"

#include <gtest/gtest.h>

#include <array>
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

TEST_F(DisplayTables, LiveRowsAreNeverShownInTheDataFlashGrid) {
  for (const DisplayGroup& g : Module().LiveTable) {
    for (const DisplayItem& item : g.items)
      EXPECT_FALSE(item.shown) << g.name << " " << item.name;
  }
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
