#include "config/DisplayTables.h"

#include <initializer_list>

#include "device/ModuleState.h"
#include "device/SettleTimes.h"

namespace gaugecal {

namespace {

struct Row {
  const char* name;
  const char* type;
  const char* position;
  const char* unit;
  const char* defaultValue = "0";
  const char* key = "";
  bool shown = true;
};

DisplayGroup MakeGroup(int16_t subcommand, const char* name, int32_t blockCommand, int32_t count,
                       bool throughMac, std::initializer_list<Row> rows) {
  DisplayGroup g;
  g.subcommand = subcommand;
  g.name = name;
  g.blockCommand = blockCommand;
  g.itemCount = count;
  g.throughMAC = throughMac;
  size_t i = 0;
  for (const Row& r : rows) {
    DisplayItem& item = g.items[i++];
    item.name = r.name;
    item.dataType = r.type;
    item.position = r.position;
    item.unit = r.unit;
    item.defaultValue = r.defaultValue;
    item.key = r.key;
    item.shown = r.shown;
  }
  return g;
}

// Live rows carry no shown flag: it only picks the rows of the data flash grid.
DisplayGroup MakeLiveGroup(int16_t subcommand, const char* name, int32_t blockCommand,
                           int32_t count, bool throughMac, std::initializer_list<Row> rows) {
  DisplayGroup g = MakeGroup(subcommand, name, blockCommand, count, throughMac, rows);
  for (DisplayItem& item : g.items)
    item.shown = false;
  return g;
}

LiveTableType BuildLiveTable() {
  LiveTableType t{};
  t[kLiveVoltages] = MakeLiveGroup(0x71, "Voltages", 0x23, 6, true,
                                   {{"Cell Voltage 1", "U2", "0", "mV"},
                                    {"Cell Voltage 2", "U2", "2", "mV"},
                                    {"Cell Voltage 3", "U2", "4", "mV"},
                                    {"Cell Voltage 4", "U2", "6", "mV"},
                                    {"Battery Voltage", "U2", "8", "mV"},
                                    {"Pack Voltage", "U2", "10", "mV"}});
  t[kLiveTemperatures] = MakeLiveGroup(0x72, "Temperatures", 0x23, 7, true,
                                       {{"Internal Temp", "T2", "0", "degC"},
                                        {"TS1 Temp", "T2", "2", "degC"},
                                        {"TS2 Temp", "T2", "4", "degC"},
                                        {"TS3 Temp", "T2", "6", "degC"},
                                        {"TS4 Temp", "T2", "8", "degC"},
                                        {"Cell Temp", "T2", "10", "degC"},
                                        {"FET Temp", "T2", "12", "degC"}});
  t[kLiveRawCal] = MakeLiveGroup(0x82, "Raw Cal Values", 0x23, 11, true,
                                 {{"Rolling Counter", "U1", "0", "--"},
                                  {"Status Byte", "U1", "1", "--"},
                                  {"Coulomb Counter", "I2", "2", "--"},
                                  {"Cell Voltage 1", "U2", "4", "mV"},
                                  {"Cell Voltage 2", "U2", "6", "mV"},
                                  {"Cell Voltage 3", "U2", "8", "mV"},
                                  {"Cell Voltage 4", "U2", "10", "mV"},
                                  {"TInt", "I2", "12", "--"},
                                  {"TS1", "I2", "14", "--"},
                                  {"TS4", "I2", "20", "--"},
                                  {"Pack Voltage", "U2", "22", "--"},
                                  {"Bat Voltage", "U2", "24", "--"}});
  t[kLiveCurrent] =
      MakeLiveGroup(0x0A, "Current", 0x0A, 1, false, {{"Pack Current", "I2", "0", "mA"}});
  return t;
}

CalTableType BuildCalTable() {
  CalTableType t{};
  t[kCalGroupRn44k18] =
      MakeGroup(0, "Calibration", 23, 15, false,
                {{"Cell Scale 0", "I2", "0", "-", "20451", "Cell Scale 0"},
                 {"Cell Scale 1", "I2", "2", "-", "20468", "Cell Scale 1"},
                 {"Cell Scale 2", "I2", "4", "-", "20520", "ScaleCell0"},
                 {"Cell Scale 3", "I2", "6", "-", "20455", "ScaleCell1"},
                 {"Pack Gain", "U2", "8", "-", "41000"},
                 {"Battery Gain", "U2", "10", "-", "44100"},
                 {"CC Gain", "F4", "12", "-", "0.9419", "CC Gain"},
                 {"Capacity Gain", "F4", "16", "-", "280932.625", "Capacity Gain"},
                 {"Current Offset", "I2", "20", "-", "-7204", "Current Offset"},
                 {"CC Offset Samples", "I2", "22", "-", "64"},
                 {"Board Offset", "I2", "24", "-", "0"},
                 {"Int Temp Offset", "I1", "26", ".1 deg C", "0", "IntTS"},
                 {"Ext 1 Temp Offset", "I1", "27", ".1 deg C", "0", "ExtTS1"},
                 {"Ext 2 Temp Offset", "I1", "28", ".1 deg C", "0", "ExtTS2"},
                 {"Ext 3 Temp Offset", "I1", "29", ".1 deg C", "0", "ExtTS3", false},
                 {"Ext 4 Temp Offset", "I1", "30", ".1 deg C", "0", "ExtTS4", false}});
  t[kCalGroupCedv] = MakeGroup(0x82, "Calibration Dataflash", 0x23, 15, true,
                               {{"Sense Resistor Gain", "F4", "0", "--", "0"},
                                {"Coulomb Cnt Delta", "F4", "4", "--", "0"},
                                {"CC Offset", "I2", "8", "--", "-7000"},
                                {"Int Temp Offset", "I1", "11", ".0.1K", "0"},
                                {"Temp Offset", "I1", "12", "0,1K", "0"},
                                {"Aux Temp Offset", "I1", "13", "mV", "0", "", false},
                                {"Board Offset", "I2", "14", "--", "0"},
                                {"CC Offset Samples", "I2", "16", "--", "64"},
                                {"Alt Cell 1 Scale", "U2", "21", "--", "20500"},
                                {"Alt Cell 2 Scale", "U2", "23", "--", "20501"},
                                {"Alt Cell 3 Scale", "U2", "25", "--", "20502"},
                                {"Alt Cell 4 Scale", "U2", "27", "--", "20503"},
                                {"Ext 3 Temp Offset", "I1", "28", ".1 deg C", "0", "", false},
                                {"Ext 4 Temp Offset", "I1", "29", ".1 deg C", "0", "", false},
                                {"Pack Gain", "U2", "19", "-", "22050", "", false}});
  t[kCalGroupQspan] = MakeGroup(0x82, "Calibration Dataflash", 0x23, 15, true,
                                {{"Sense Resistor Gain", "F4", "0", "--", "0"},
                                 {"Coulomb Counter Delta", "F4", "4", "--", "0"},
                                 {"VCell 1 Scale Factor", "U2", "8", "--", "20500"},
                                 {"VCell 2 Scale Factor", "U2", "10", "---", "20500"},
                                 {"VCell 3 Scale Factor", "U2", "12", "---", "20500"},
                                 {"VCell 4 Scale Factor", "U2", "14", "---", "20500"},
                                 {"AFE Pack Gain", "I2", "17", "--", "0"},
                                 {"CC Offset", "I2", "19", "--", "-7744"},
                                 {"Board Offset", "I2", "21", "--", "0"},
                                 {"Int Temp Offset", "I1", "23", "--", "0"},
                                 {"Ext 1 Temp Offset", "I1", "24", "--", "0"},
                                 {"Ext 2 Temp Offset", "I1", "25", "--", "0"},
                                 {"Ext 3 Temp Offset", "I1", "26", "--", "0", "", false},
                                 {"Ext 4 Temp Offset", "I1", "27", "--", "0", "", false},
                                 {"Battery Gain", "U2", "27", "--", "0", "", false}});
  return t;
}

}  // namespace

void InitDisplayTables() {
  ModuleState& m = Module();
  m.LiveTable = BuildLiveTable();
  m.CalTable = BuildCalTable();
  m.dfReadSettle = settle::kDataFlashReadWaitS;
  m.dfWriteSettle = settle::kDataFlashWriteWaitS;
}

}  // namespace gaugecal
