// gaugecal sbs on the simulated gauges: the table, JSON, CSV rounds on the platform's timer,
// and commands a gauge does not answer.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"

namespace gaugecal::test {
namespace {

using nlohmann::json;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

TEST(CliSbs, JsonHasEveryCommandWithUnitsAndBits) {
  for (const std::string family : {"CEDV", "QSPAN", "RN44K18", "CEDV_PLUS"}) {
    SCOPED_TRACE(family);
    const CliResult r = RunCli({"--virtual-time", "--adapter", "sim:" + family, "--json", "sbs"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    ASSERT_EQ(j["registers"].size(), 37u);
    std::map<std::string, json> by;
    for (const json& reg : j["registers"])
      by[reg["name"]] = reg;
    EXPECT_EQ(by["DesignCapacity"]["value"], 4400);
    EXPECT_EQ(by["DesignCapacity"]["unit"], "mAh");
    EXPECT_EQ(by["CycleCount"]["value"], 0);
    EXPECT_EQ(by["ManufactureDate"]["value"], "2026-01-15");
    EXPECT_EQ(by["DeviceName"]["value"], "SIM-" + family);
    EXPECT_EQ(by["Temperature"]["unit"], "°C");
    EXPECT_TRUE(by["BatteryStatus"]["bits"]["INITIALIZED"].get<bool>());
    EXPECT_TRUE(by["BatteryMode"]["bits"]["ALARM_MODE"].get<bool>());
  }
}

TEST(CliSbs, TableShowsFlagBitsAsMarks) {
  const CliResult r = RunCli({"--virtual-time", "sbs"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("0x18 DesignCapacity           0x1130   4400 mAh\n"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("       [x] INITIALIZED\n"), std::string::npos);
  EXPECT_NE(r.out.find("       [ ] OVER_CHARGED_ALARM\n"), std::string::npos);
  EXPECT_NE(r.out.find("0x20 ManufacturerName                  gaugecal\n"), std::string::npos);
}

TEST(CliSbs, WatchWritesOneCsvRowPerRoundOnTheTimer) {
  const TempDir dir;
  const std::string trace = dir.Path("t.jsonl");
  const CliResult r =
      RunCli({"--virtual-time", "--trace", trace, "sbs", "--watch", "2", "--rounds", "3", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[0].rfind("time_s,ManufacturerAccess,RemainingCapacityAlarm_mAh,", 0), 0u);
  EXPECT_NE(lines[0].find(",Temperature_°C,Voltage_mV,"), std::string::npos);
  for (size_t i = 1; i < 4; ++i) {
    // Virtual time: each round starts on the tick, 2 s after the one before.
    EXPECT_EQ(std::stoi(lines[i].substr(0, lines[i].find('.'))), static_cast<int>(2 * (i - 1)));
    EXPECT_NE(lines[i].find(",2026-01-15,1,gaugecal,SIM-RN44K18,LION,"), std::string::npos)
        << lines[i];
  }
  int voltageReads = 0;
  std::istringstream in(ReadFile(trace));
  for (std::string line; std::getline(in, line);)
    voltageReads += Step(json::parse(line)) == "RW_:09";
  EXPECT_EQ(voltageReads, 3);
}

TEST(CliSbs, NothingAnsweredIsNeverZero) {
  const TempDir dir;
  const std::string scenario =
      dir.Write("s.json", R"({"faults": [{"kind": "nack", "member": "ReadSMBusWord_",
                              "occurrence": 0}]})");
  const CliResult r = RunCli({"--virtual-time", "--sim-scenario", scenario, "sbs", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;  // the text blocks still answer
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find(",\"not answered\",\"not answered\","), std::string::npos) << lines[1];
  EXPECT_EQ(lines[1].find(",0,"), std::string::npos) << lines[1];

  const std::string none = dir.Write("n.json", R"({"faults": [{"kind": "noAnswer"}]})");
  const CliResult silent = RunCli({"--virtual-time", "--sim-scenario", none, "sbs"});
  EXPECT_EQ(silent.status, 1);
  EXPECT_NE(silent.out.find("0x09 Voltage                           not answered\n"),
            std::string::npos)
      << silent.out;
  EXPECT_NE(silent.err.find("warning: the gauge answered none of the standard commands"),
            std::string::npos);
}

TEST(CliSbs, CsvAndJsonExcludeEachOther) {
  EXPECT_EQ(RunCli({"--virtual-time", "sbs", "--csv", "--json"}).status, 2);
  EXPECT_EQ(RunCli({"--virtual-time", "--json", "sbs", "--csv"}).status, 2);
  EXPECT_EQ(RunCli({"--virtual-time", "sbs", "--rounds", "2"}).status, 2);
}

}  // namespace
}  // namespace gaugecal::test
