// The standard commands decoded against a table written from the published smart-battery
// meanings (command codes, names, units, bit positions, error codes, date packing), and read
// end-to-end from every family's simulated gauge through the traced host link.

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "device/ManufactureDate.h"
#include "device/SbsRegisters.h"
#include "support/Bench.h"

namespace gaugecal::test {
namespace {

struct Case {
  uint8_t command;
  const char* name;
  uint16_t word;
  bool in10mWh;
  const char* decoded;
};

// Words and what the published text says they mean (0.1 K: 2982 is 298.2 K = 25.05 degC;
// capacities in 10 mWh when the capacity mode bit is set; 65535 minutes: nothing to count).
const Case kCases[] = {
    {0x00, "ManufacturerAccess", 0x0054, false, "0x0054"},
    {0x01, "RemainingCapacityAlarm", 440, false, "440 mAh"},
    {0x02, "RemainingTimeAlarm", 10, false, "10 min"},
    {0x04, "AtRate", 0xFE0C, false, "-500 mA"},
    {0x04, "AtRate", 0xFE0C, true, "-5000 mW"},
    {0x05, "AtRateTimeToFull", 65535, false, "not applicable (65535)"},
    {0x06, "AtRateTimeToEmpty", 90, false, "90 min"},
    {0x07, "AtRateOK", 1, false, "true"},
    {0x08, "Temperature", 2982, false, "25.05 °C"},
    {0x08, "Temperature", 2500, false, "-23.15 °C"},
    {0x09, "Voltage", 0x3CF0, false, "15600 mV"},
    {0x0A, "Current", 0xFC18, false, "-1000 mA"},
    {0x0B, "AverageCurrent", 0xFFFF, false, "-1 mA"},
    {0x0C, "MaxError", 3, false, "3 %"},
    {0x0D, "RelativeStateOfCharge", 62, false, "62 %"},
    {0x0E, "AbsoluteStateOfCharge", 101, false, "101 %"},
    {0x0F, "RemainingCapacity", 0x9C40, false, "40000 mAh"},
    {0x0F, "RemainingCapacity", 2700, true, "27000 mWh"},
    {0x10, "FullChargeCapacity", 4300, false, "4300 mAh"},
    {0x11, "RunTimeToEmpty", 65535, false, "not applicable (65535)"},
    {0x12, "AverageTimeToEmpty", 125, false, "125 min"},
    {0x13, "AverageTimeToFull", 65534, false, "65534 min"},
    {0x14, "ChargingCurrent", 2000, false, "2000 mA"},
    {0x15, "ChargingVoltage", 16800, false, "16800 mV"},
    {0x17, "CycleCount", 0x0102, false, "258"},
    {0x18, "DesignCapacity", 4400, false, "4400 mAh"},
    {0x18, "DesignCapacity", 6336, true, "63360 mWh"},
    {0x19, "DesignVoltage", 14400, false, "14400 mV"},
    {0x1A, "SpecificationInfo", 0x0031, false,
     "version 1.1 with PEC, revision 1, voltages x1, currents x1"},
    {0x1A, "SpecificationInfo", 0x2111, false,
     "version 1.0, revision 1, voltages x10, currents x100"},
    // 2026-01-15: 15 + 1 * 32 + 46 * 512; 1980-12-31: 31 + 12 * 32.
    {0x1B, "ManufactureDate", 23599, false, "2026-01-15"},
    {0x1B, "ManufactureDate", 415, false, "1980-12-31"},
    {0x1C, "SerialNumber", 0xFFFF, false, "65535"},
    {0x3C, "CellVoltage4", 3899, false, "3899 mV"},
    {0x3F, "CellVoltage1", 3902, false, "3902 mV"},
};

TEST(SbsRegisters, DecodesEveryWordCommandAsPublished) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const SbsCommand* command = FindSbsCommand(c.command);
    ASSERT_NE(command, nullptr);
    EXPECT_STREQ(command->name, c.name);
    const SbsValue v = DecodeSbsWord(*command, c.word, c.in10mWh);
    EXPECT_TRUE(v.answered);
    EXPECT_EQ(v.decoded, c.decoded);
    char raw[8];
    std::snprintf(raw, sizeof raw, "0x%04X", c.word);
    EXPECT_EQ(v.raw, raw);
  }
}

TEST(SbsRegisters, HasExactlyThePublishedCommands) {
  // 0x00-0x1C, the names, manufacturer data and the cell voltages; 0x1D-0x1F are reserved.
  std::map<int, std::string> names;
  for (const SbsCommand& c : SbsCommands())
    names[c.command] = c.name;
  EXPECT_EQ(names.size(), 0x1Du + 4 + 4);
  EXPECT_EQ(names.count(0x1D) + names.count(0x1E) + names.count(0x1F), 0u);
  const std::map<int, std::string> others = {{0x03, "BatteryMode"},      {0x16, "BatteryStatus"},
                                             {0x20, "ManufacturerName"}, {0x21, "DeviceName"},
                                             {0x22, "DeviceChemistry"},  {0x23, "ManufacturerData"},
                                             {0x3D, "CellVoltage3"},     {0x3E, "CellVoltage2"}};
  for (const auto& [command, name] : others)
    EXPECT_EQ(names[command], name);
}

TEST(SbsRegisters, NamesEveryPublishedFlagBitAndNoOther) {
  const std::map<std::pair<int, int>, std::string> published = {
      {{0x03, 0}, "INTERNAL_CHARGE_CONTROLLER"},
      {{0x03, 1}, "PRIMARY_BATTERY_SUPPORT"},
      {{0x03, 7}, "CONDITION_FLAG"},
      {{0x03, 8}, "CHARGE_CONTROLLER_ENABLED"},
      {{0x03, 9}, "PRIMARY_BATTERY"},
      {{0x03, 13}, "ALARM_MODE"},
      {{0x03, 14}, "CHARGER_MODE"},
      {{0x03, 15}, "CAPACITY_MODE"},
      {{0x16, 4}, "FULLY_DISCHARGED"},
      {{0x16, 5}, "FULLY_CHARGED"},
      {{0x16, 6}, "DISCHARGING"},
      {{0x16, 7}, "INITIALIZED"},
      {{0x16, 8}, "REMAINING_TIME_ALARM"},
      {{0x16, 9}, "REMAINING_CAPACITY_ALARM"},
      {{0x16, 11}, "TERMINATE_DISCHARGE_ALARM"},
      {{0x16, 12}, "OVER_TEMP_ALARM"},
      {{0x16, 14}, "TERMINATE_CHARGE_ALARM"},
      {{0x16, 15}, "OVER_CHARGED_ALARM"},
  };
  for (int command : {0x03, 0x16}) {
    for (int bit = 0; bit < 16; ++bit) {
      SCOPED_TRACE(std::to_string(command) + " bit " + std::to_string(bit));
      const SbsValue v =
          DecodeSbsWord(*FindSbsCommand(static_cast<uint8_t>(command)), 1u << bit, false);
      std::vector<std::string> set;
      for (const auto& [name, on] : v.bits) {
        if (on)
          set.push_back(name);
      }
      const auto named = published.find({command, bit});
      if (named != published.end())
        EXPECT_EQ(set, std::vector<std::string>{named->second});
      else
        EXPECT_TRUE(set.empty());
    }
  }
  const char* codes[] = {"OK",
                         "Busy",
                         "ReservedCommand",
                         "UnsupportedCommand",
                         "AccessDenied",
                         "Overflow/Underflow",
                         "BadSize",
                         "UnknownError",
                         "reserved"};  // 8 to 15
  for (int code = 0; code < 9; ++code) {
    const SbsValue v =
        DecodeSbsWord(*FindSbsCommand(0x16), static_cast<uint16_t>(0x80 | code), false);
    EXPECT_EQ(v.decoded,
              std::string("0x008") + std::to_string(code) + " INITIALIZED error " + codes[code]);
  }
}

TEST(SbsRegisters, TextBlocksEndAtTheFirstNulAndNothingIsZeroWhenNotAnswered) {
  const uint8_t name[] = {'L', 'I', 'O', 'N', 0, 'x'};
  EXPECT_EQ(DecodeSbsBlock(*FindSbsCommand(0x22), name).decoded, "LION");
  EXPECT_EQ(DecodeSbsBlock(*FindSbsCommand(0x23), name).decoded, "4C494F4E0078");
  const SbsValue none = SbsNotAnswered(*FindSbsCommand(0x09));
  EXPECT_FALSE(none.answered);
  EXPECT_FALSE(none.number.has_value());
  EXPECT_EQ(none.decoded, "not answered");
}

TEST(ManufactureDate, PacksAndRefusesDaysThatDoNotExist) {
  EXPECT_EQ(ParseManufactureDate("2026-01-15"), 23599);
  EXPECT_EQ(ParseManufactureDate("2024-02-29"), 29 + 2 * 32 + 44 * 512);
  for (const char* monthEnd :
       {"2025-01-31", "2025-02-28", "2025-03-31", "2025-04-30", "2025-05-31", "2025-06-30",
        "2025-07-31", "2025-08-31", "2025-09-30", "2025-10-31", "2025-11-30", "2025-12-31"})
    EXPECT_TRUE(ParseManufactureDate(monthEnd).has_value()) << monthEnd;
  for (const char* bad : {"2023-02-29", "2025-06-31", "1979-12-31", "2108-01-01", "2026-13-01",
                          "2026-1-15", "2026-01-00", "2026/01/15"})
    EXPECT_FALSE(ParseManufactureDate(bad).has_value()) << bad;
  EXPECT_EQ(FormatManufactureDate(0xFFFF), "2107-15-31");  // as packed, even when no day
}

// What every family's gauge answers: the cells' sum, the scenario's pack and data flash.
TEST(SbsRegisters, SimulatedGaugesAnswerConsistentlyWithTheirPack) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    sim::Scenario s = Quiet(family, "nack RW_:17");
    s.serialNumber = 4711;
    s.manufactureDate = *ParseManufactureDate("2025-06-30");
    s.deviceName = "PACK-7";
    s.currentMa = -2000.0;
    s.remainingMah = 3000.0;
    s.parameters = {{"Design Capacity", 5200}, {"Design Voltage", 11100}};
    Bench bench(s);
    const std::vector<SbsValue> values = ReadSbsRegisters();
    std::map<std::string, SbsValue> by;
    for (const SbsValue& v : values)
      by[v.command->name] = v;
    double cells = 0;
    for (const char* c : {"CellVoltage1", "CellVoltage2", "CellVoltage3", "CellVoltage4"})
      cells += *by[c].number;
    EXPECT_NEAR(*by["Voltage"].number, cells, cells * 0.05);  // before calibration
    const double current = *by["Current"].number;             // before calibration: a few % off
    EXPECT_NEAR(current, -2000.0, 60.0);
    EXPECT_EQ(by["AverageCurrent"].number, current);
    EXPECT_EQ(by["SerialNumber"].decoded, "4711");
    EXPECT_EQ(by["ManufactureDate"].decoded, "2025-06-30");
    EXPECT_EQ(by["DeviceName"].decoded, "PACK-7");
    EXPECT_EQ(by["ManufacturerName"].decoded, "gaugecal");
    EXPECT_EQ(by["DeviceChemistry"].decoded, "LION");
    EXPECT_EQ(by["DesignCapacity"].decoded, "5200 mAh");
    EXPECT_EQ(by["DesignVoltage"].decoded, "11100 mV");
    EXPECT_EQ(by["RemainingCapacity"].decoded, "3000 mAh");
    EXPECT_EQ(by["AbsoluteStateOfCharge"].decoded, "58 %");  // 3000 / 5200
    EXPECT_EQ(by["RunTimeToEmpty"].number, std::floor(3000.0 * 60.0 / -current));
    EXPECT_EQ(by["AverageTimeToFull"].decoded, "not applicable (65535)");
    EXPECT_EQ(by["BatteryStatus"].decoded, "0x00C0 DISCHARGING INITIALIZED error OK");
    EXPECT_FALSE(by["CycleCount"].answered) << "a command NACKed is not answered, not 0";
    EXPECT_EQ(by["CycleCount"].decoded, "not answered");
    // BatteryMode once, first; every other command once; the NACK's host error drained.
    const std::string steps = bench.Steps(true);
    EXPECT_EQ(steps.rfind("RW_:03 ", 0), 0u) << steps;
    EXPECT_EQ(Count(steps, "RW_:03"), 1);
    EXPECT_EQ(Count(steps, "RW_:09"), 1);
    EXPECT_EQ(Count(steps, "RB:20") + Count(steps, "RB:21") + Count(steps, "RB:22"), 3);
    EXPECT_EQ(bench.Gauge().PendingErrors(), 0u);
  }
}

TEST(SbsRegisters, CapacitiesFollowTheCapacityModeBit) {
  sim::Scenario s = Quiet(DfType::RN44K18);
  s.batteryMode = 0xE001;
  s.remainingMah = 2500.0;
  Bench bench(s);
  std::map<std::string, SbsValue> by;
  for (const SbsValue& v : ReadSbsRegisters())
    by[v.command->name] = v;
  // 4400 mAh at 14.4 V: 6336 x 10 mWh; 2500 mAh: 3600 x 10 mWh.
  EXPECT_EQ(by["DesignCapacity"].raw, "0x18C0");
  EXPECT_EQ(by["DesignCapacity"].decoded, "63360 mWh");
  EXPECT_EQ(by["RemainingCapacity"].decoded, "36000 mWh");
  EXPECT_EQ(by["BatteryMode"].decoded,
            "0xE001 INTERNAL_CHARGE_CONTROLLER ALARM_MODE CHARGER_MODE CAPACITY_MODE");
}

}  // namespace
}  // namespace gaugecal::test
