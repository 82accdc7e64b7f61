// gaugecal read and raw against each built-in simulated gauge, in-process on virtual time:
// what they print (text and JSON), what they leave the gauge in, and how a refused step ends.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "support/TraceReader.h"
#include "support/TraceSteps.h"

namespace gaugecal::test {
namespace {

using nlohmann::json;

struct Family {
  const char* name;
  int cells;
  const char* calGroup;
  const char* calRow;  // a row of the family's calibration table and its starting value
  const char* calValue;
  const char* liveGroup;
};

const Family kFamilies[] = {
    {"CEDV", 3, "Calibration Dataflash", "CC Offset", "-7000", "Measured"},
    {"QSPAN", 4, "Calibration Dataflash", "VCell 1 Scale Factor", "20500", "Measured"},
    {"RN44K18", 4, "Calibration", "Cell Scale 0", "20451", "Voltages"},
    {"CEDV_PLUS", 3, "Calibration", "CC Gain", "0.942", "Measured"},
};

const json* Row(const json& rows, const std::string& name) {
  for (const auto& r : rows) {
    if (r["name"] == name)
      return &r;
  }
  return nullptr;
}

TEST(CliRead, EveryFamilyShowsItsConfigurationCellsCalibrationTableAndLiveValues) {
  for (const Family& f : kFamilies) {
    SCOPED_TRACE(f.name);
    const CliResult r =
        RunCli({"--adapter", std::string("sim:") + f.name, "--virtual-time", "--json", "read"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const json j = json::parse(r.out);
    EXPECT_EQ(j["family"], f.name);
    EXPECT_EQ(j["securityMode"]["text"], "Unsealed");
    EXPECT_EQ(j["cells"]["count"], f.cells);
    EXPECT_EQ(j["calibration"]["group"], f.calGroup);
    const json* row = Row(j["calibration"]["rows"], f.calRow);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ((*row)["value"], f.calValue);
    for (const auto& rw : j["calibration"]["rows"])
      EXPECT_NE(rw["value"], "") << rw["name"];
    ASSERT_FALSE(j["live"]["groups"].empty());
    EXPECT_EQ(j["live"]["groups"][0]["group"], f.liveGroup);
    for (const auto& g : j["live"]["groups"]) {
      for (const auto& rw : g["rows"]) {
        EXPECT_NE(rw["value"], "Err_Rd") << rw["name"];
        EXPECT_NE(rw["value"], "") << rw["name"];
      }
    }
    EXPECT_TRUE(j["ok"]);
  }
}

TEST(CliRead, TheTextListingShowsOnlyTheShownRows) {
  const CliResult r = RunCli({"--adapter", "sim:RN44K18", "--virtual-time", "read"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Configuration:  RN44K18\n"), std::string::npos);
  EXPECT_NE(r.out.find("Cells:          4\n"), std::string::npos);
  EXPECT_NE(r.out.find("Ext 2 Temp Offset"), std::string::npos);
  EXPECT_EQ(r.out.find("Ext 3 Temp Offset"), std::string::npos);  // no third sensor
  EXPECT_EQ(r.out.find('\r'), std::string::npos);                 // not a terminal
}

TEST(CliRead, ACedvPlusGaugeLeavesTheCalibrationModeItsRawBlockNeeded) {
  TempDir dir;
  const std::string trace = dir.Path("t.jsonl");
  const CliResult r =
      RunCli({"--adapter", "sim:CEDV_PLUS", "--virtual-time", "--trace", trace, "read"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Pack Voltage (raw)"), std::string::npos);
  std::vector<std::string> macs;
  for (const auto& e : TraceOps(ParseTrace(ReadFile(trace)), {"WriteSMBusWord_"}))
    macs.push_back(TraceStep(e));
  EXPECT_EQ(CountSteps(macs, "MAC:002D"), 2);  // in for the raw block, out again
  EXPECT_EQ(macs.back(), "MAC:002D");
}

TEST(CliRead, ASealedGaugeIsStillReadAndAFailedCellCountFails) {
  TempDir dir;
  const std::string sealed = dir.Write("sealed.json", R"({"security": "Sealed"})");
  const CliResult r = RunCli(
      {"--adapter", "sim:CEDV_PLUS", "--sim-scenario", sealed, "--virtual-time", "--json", "read"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["securityMode"]["text"], "Sealed");

  const std::string noCells =
      dir.Write("nocells.json", R"({"parameters": {"Pack Configuration": 0}})");
  const CliResult bad = RunCli(
      {"--adapter", "sim:CEDV", "--sim-scenario", noCells, "--virtual-time", "--json", "read"});
  EXPECT_EQ(bad.status, 1);
  const json j = json::parse(bad.out);
  EXPECT_EQ(j["cells"]["status"], 1);
  EXPECT_EQ(j["cells"]["count"], 1);
  EXPECT_FALSE(j["ok"]);
}

TEST(CliRaw, EveryFamilyAveragesBothKindsAndLeavesCalibrationMode) {
  for (const Family& f : kFamilies) {
    for (bool offset : {false, true}) {
      SCOPED_TRACE(std::string(f.name) + (offset ? " offset" : ""));
      TempDir dir;
      const std::string trace = dir.Path("t.jsonl");
      std::vector<std::string> args = {
          "--adapter", std::string("sim:") + f.name, "--virtual-time", "--trace", trace, "--json",
          "raw"};
      if (offset)
        args.push_back("--offset");
      const CliResult r = RunCli(args);
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.err, "");
      const json j = json::parse(r.out);
      EXPECT_EQ(j["offset"], offset);
      EXPECT_EQ(j["samples"], 4);
      EXPECT_EQ((*Row(j["rows"], "Status Byte"))["value"], offset ? "2" : "1");
      const int cc = std::stoi((*Row(j["rows"], "Coulomb Counter"))["value"].get<std::string>());
      EXPECT_LT(cc, 0);  // no current: only the counter's offset (and the board's)
      EXPECT_GT(std::stoi((*Row(j["rows"], "Cell Voltage 1"))["value"].get<std::string>()), 12000);

      // The run ends out of the raw stream and, for the row gauges, out of calibration mode
      // (the status reads that confirm the mode left out).
      std::vector<std::string> macs;
      for (const auto& e : TraceOps(ParseTrace(ReadFile(trace)), {"WriteSMBusWord_"}))
        macs.push_back(TraceStep(e));
      std::erase(macs, "MAC:0057");
      const bool rows = std::string(f.name) == "RN44K18" || std::string(f.name) == "CEDV_PLUS";
      const std::vector<std::string> tail = rows ? std::vector<std::string>{"MAC:F080", "MAC:002D"}
                                                 : std::vector<std::string>{"MAC:F080"};
      ASSERT_GE(macs.size(), tail.size());
      EXPECT_EQ(std::vector<std::string>(macs.end() - static_cast<std::ptrdiff_t>(tail.size()),
                                         macs.end()),
                tail);
      EXPECT_EQ(CountSteps(macs, "MAC:002D"), rows ? 2 : 0);  // in once, out once
    }
  }
}

TEST(CliRaw, TextListingAndARefusedCalibrationMode) {
  const CliResult r = RunCli({"--adapter", "sim:QSPAN", "--virtual-time", "raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Raw Cal Values (normal output, average of 4 blocks)\n"), std::string::npos);
  EXPECT_NE(r.out.find("  Bat Voltage"), std::string::npos);
  EXPECT_EQ(r.out.find('\r'), std::string::npos);

  TempDir dir;
  const std::string sealed = dir.Write("sealed.json", R"({"security": "Sealed"})");
  const CliResult refused =
      RunCli({"--adapter", "sim:RN44K18", "--sim-scenario", sealed, "--virtual-time", "raw"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err, "message: Unable to request device to output cal values.\n");
}

TEST(CliRaw, AStoppedCounterEndsWithBothMessages) {
  TempDir dir;
  const std::string stops =
      dir.Write("stops.json", R"({"faults": [{"kind": "counterStops", "afterMs": 0}]})");
  const CliResult r = RunCli(
      {"--adapter", "sim:RN44K18", "--sim-scenario", stops, "--virtual-time", "--json", "raw"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "message: Unable to enter calibration mode.\n"
            "message: Unable to gather raw calibration values from device. Please check "
            "communications with device.\n");
  EXPECT_FALSE(json::parse(r.out)["ok"]);
}

}  // namespace
}  // namespace gaugecal::test
