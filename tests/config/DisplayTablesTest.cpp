#include "config/DisplayTables.h"

#include <gtest/gtest.h>

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

struct Group {
  int16_t subcommand;
  const char* name;
  int32_t blockCommand;
  int32_t count;
  bool throughMac;
};

// name, type, position, unit, default, key, shown: one row as the grids know it.
struct Row {
  std::string name, type, position, unit, def, key;
  bool shown;
};

std::vector<Row> Rows(const DisplayGroup& g) {
  std::vector<Row> rows;
  for (const DisplayItem& i : g.items) {
    if (!i.name.empty()) {
      rows.push_back({i.name, i.dataType, i.position, i.unit, i.defaultValue, i.key, i.shown});
    }
  }
  return rows;
}

void ExpectGroup(const DisplayGroup& g, const Group& head, const std::vector<Row>& rows) {
  SCOPED_TRACE(head.name);
  EXPECT_EQ(g.subcommand, head.subcommand);
  EXPECT_EQ(g.name, head.name);
  EXPECT_EQ(g.blockCommand, head.blockCommand);
  EXPECT_EQ(g.itemCount, head.count);
  EXPECT_EQ(g.throughMAC, head.throughMac);
  const auto actual = Rows(g);
  ASSERT_EQ(actual.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& e = rows[i];
    const Row& a = actual[i];
    EXPECT_EQ(a.name, e.name) << "item " << i;
    EXPECT_EQ(a.type, e.type) << e.name;
    EXPECT_EQ(a.position, e.position) << e.name;
    EXPECT_EQ(a.unit, e.unit) << e.name;
    EXPECT_EQ(a.def, e.def) << e.name;
    EXPECT_EQ(a.key, e.key) << e.name;
    EXPECT_EQ(a.shown, e.shown) << e.name;
  }
  for (const DisplayItem& item : g.items) {
    EXPECT_EQ(item.value, "");
    EXPECT_EQ(item.gridRow, 0);
  }
}

TEST_F(DisplayTables, LiveGroups) {
  const auto& t = Module().LiveTable;
  ExpectGroup(t[kLiveVoltages], {0x71, "Voltages", 0x23, 6, true},
              {{"Cell Voltage 1", "U2", "0", "mV", "0", "", false},
               {"Cell Voltage 2", "U2", "2", "mV", "0", "", false},
               {"Cell Voltage 3", "U2", "4", "mV", "0", "", false},
               {"Cell Voltage 4", "U2", "6", "mV", "0", "", false},
               {"Battery Voltage", "U2", "8", "mV", "0", "", false},
               {"Pack Voltage", "U2", "10", "mV", "0", "", false}});
  ExpectGroup(t[kLiveTemperatures], {0x72, "Temperatures", 0x23, 7, true},
              {{"Internal Temp", "T2", "0", "degC", "0", "", false},
               {"TS1 Temp", "T2", "2", "degC", "0", "", false},
               {"TS2 Temp", "T2", "4", "degC", "0", "", false},
               {"TS3 Temp", "T2", "6", "degC", "0", "", false},
               {"TS4 Temp", "T2", "8", "degC", "0", "", false},
               {"Cell Temp", "T2", "10", "degC", "0", "", false},
               {"FET Temp", "T2", "12", "degC", "0", "", false}});
  ExpectGroup(t[kLiveRawCal], {0x82, "Raw Cal Values", 0x23, 11, true},
              {{"Rolling Counter", "U1", "0", "--", "0", "", false},
               {"Status Byte", "U1", "1", "--", "0", "", false},
               {"Coulomb Counter", "I2", "2", "--", "0", "", false},
               {"Cell Voltage 1", "U2", "4", "mV", "0", "", false},
               {"Cell Voltage 2", "U2", "6", "mV", "0", "", false},
               {"Cell Voltage 3", "U2", "8", "mV", "0", "", false},
               {"Cell Voltage 4", "U2", "10", "mV", "0", "", false},
               {"TInt", "I2", "12", "--", "0", "", false},
               {"TS1", "I2", "14", "--", "0", "", false},
               {"TS4", "I2", "20", "--", "0", "", false},
               {"Pack Voltage", "U2", "22", "--", "0", "", false},
               {"Bat Voltage", "U2", "24", "--", "0", "", false}});
  ExpectGroup(t[kLiveCurrent], {0x0A, "Current", 0x0A, 1, false},
              {{"Pack Current", "I2", "0", "mA", "0", "", false}});
}

TEST_F(DisplayTables, CalibrationGroupOfTheRowFamilies) {
  ExpectGroup(Module().CalTable[kCalGroupRn44k18], {0, "Calibration", 23, 15, false},
              {{"Cell Scale 0", "I2", "0", "-", "20451", "Cell Scale 0", true},
               {"Cell Scale 1", "I2", "2", "-", "20468", "Cell Scale 1", true},
               {"Cell Scale 2", "I2", "4", "-", "20520", "ScaleCell0", true},
               {"Cell Scale 3", "I2", "6", "-", "20455", "ScaleCell1", true},
               {"Pack Gain", "U2", "8", "-", "41000", "", true},
               {"Battery Gain", "U2", "10", "-", "44100", "", true},
               {"CC Gain", "F4", "12", "-", "0.9419", "CC Gain", true},
               {"Capacity Gain", "F4", "16", "-", "280932.625", "Capacity Gain", true},
               {"Current Offset", "I2", "20", "-", "-7204", "Current Offset", true},
               {"CC Offset Samples", "I2", "22", "-", "64", "", true},
               {"Board Offset", "I2", "24", "-", "0", "", true},
               {"Int Temp Offset", "I1", "26", ".1 deg C", "0", "IntTS", true},
               {"Ext 1 Temp Offset", "I1", "27", ".1 deg C", "0", "ExtTS1", true},
               {"Ext 2 Temp Offset", "I1", "28", ".1 deg C", "0", "ExtTS2", true},
               {"Ext 3 Temp Offset", "I1", "29", ".1 deg C", "0", "ExtTS3", false},
               {"Ext 4 Temp Offset", "I1", "30", ".1 deg C", "0", "ExtTS4", false}});
}

TEST_F(DisplayTables, CalibrationGroupOfTheBlockFamily) {
  ExpectGroup(Module().CalTable[kCalGroupCedv], {0x82, "Calibration Dataflash", 0x23, 15, true},
              {{"Sense Resistor Gain", "F4", "0", "--", "0", "", true},
               {"Coulomb Cnt Delta", "F4", "4", "--", "0", "", true},
               {"CC Offset", "I2", "8", "--", "-7000", "", true},
               {"Int Temp Offset", "I1", "11", ".0.1K", "0", "", true},
               {"Temp Offset", "I1", "12", "0,1K", "0", "", true},
               {"Aux Temp Offset", "I1", "13", "mV", "0", "", false},
               {"Board Offset", "I2", "14", "--", "0", "", true},
               {"CC Offset Samples", "I2", "16", "--", "64", "", true},
               {"Alt Cell 1 Scale", "U2", "21", "--", "20500", "", true},
               {"Alt Cell 2 Scale", "U2", "23", "--", "20501", "", true},
               {"Alt Cell 3 Scale", "U2", "25", "--", "20502", "", true},
               {"Alt Cell 4 Scale", "U2", "27", "--", "20503", "", true},
               {"Ext 3 Temp Offset", "I1", "28", ".1 deg C", "0", "", false},
               {"Ext 4 Temp Offset", "I1", "29", ".1 deg C", "0", "", false},
               {"Pack Gain", "U2", "19", "-", "22050", "", false}});
}

TEST_F(DisplayTables, CalibrationGroupOfTheSubclassFamily) {
  ExpectGroup(Module().CalTable[kCalGroupQspan], {0x82, "Calibration Dataflash", 0x23, 15, true},
              {{"Sense Resistor Gain", "F4", "0", "--", "0", "", true},
               {"Coulomb Counter Delta", "F4", "4", "--", "0", "", true},
               {"VCell 1 Scale Factor", "U2", "8", "--", "20500", "", true},
               {"VCell 2 Scale Factor", "U2", "10", "---", "20500", "", true},
               {"VCell 3 Scale Factor", "U2", "12", "---", "20500", "", true},
               {"VCell 4 Scale Factor", "U2", "14", "---", "20500", "", true},
               {"AFE Pack Gain", "I2", "17", "--", "0", "", true},
               {"CC Offset", "I2", "19", "--", "-7744", "", true},
               {"Board Offset", "I2", "21", "--", "0", "", true},
               {"Int Temp Offset", "I1", "23", "--", "0", "", true},
               {"Ext 1 Temp Offset", "I1", "24", "--", "0", "", true},
               {"Ext 2 Temp Offset", "I1", "25", "--", "0", "", true},
               {"Ext 3 Temp Offset", "I1", "26", "--", "0", "", false},
               {"Ext 4 Temp Offset", "I1", "27", "--", "0", "", false},
               {"Battery Gain", "U2", "27", "--", "0", "", false}});
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
