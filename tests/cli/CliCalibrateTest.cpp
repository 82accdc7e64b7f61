// gaugecal calibrate and gaugecal demo: the command-line contract over the calibration panel
// (texts into the boxes verbatim, the report and its JSON object, refusals and exit statuses,
// nothing written by a refusal), and the demo's closed loop on every family.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliRun.h"
#include "support/TraceReader.h"

namespace gaugecal::test {
namespace {

using nlohmann::json;

// A copy of the sample application directory with one more config.ini section.
std::string AppDirWith(const TempDir& dir, const std::string& section) {
  std::filesystem::copy(GAUGECAL_SAMPLE_APPDIR, dir.Path("app"),
                        std::filesystem::copy_options::recursive);
  std::ofstream(dir.Path("app/config.ini"), std::ios::app) << "\n" << section << "\n";
  return dir.Path("app");
}

// Block writes to the gauge after start-up's identification handshake: data flash writes.
int DataFlashWrites(const std::string& traceFile) {
  int writes = 0;
  for (const json& e : ParseTrace(ReadFile(traceFile))) {
    const int command = e.value("cmd", 0);
    writes += e.value("op", "") == "WriteSMBusBlock" && command != 0x20 && command != 0x22;
  }
  return writes;
}

TEST(CliCalibrate, ReportsTheCalibrationTableBeforeAndAfter) {
  const CliResult r =
      RunCli({"--virtual-time", "--json", "calibrate", "board-offset", "--adapter", "sim:QSPAN"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const json j = json::parse(r.out);
  std::vector<std::string> keys;
  for (const auto& [key, value] : j.items())
    keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"action", "after", "before", "done", "messages"}));
  EXPECT_EQ(j["action"], "board-offset");
  EXPECT_TRUE(j["done"]);
  EXPECT_EQ(j["messages"], json::array());
  EXPECT_EQ(j["before"]["Board Offset"], "0");
  EXPECT_NE(j["after"]["Board Offset"], "0");
  EXPECT_EQ(j["before"]["CC Offset"], j["after"]["CC Offset"]);

  const CliResult text =
      RunCli({"--virtual-time", "calibrate", "voltage-temperature", "--cell", "1=3902", "--cell",
              "2=7799", "--cell", "3=11704", "--cell", "4=15603", "--temp", "ext1=25.0"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("Done:   yes"), std::string::npos) << text.out;
  // The row of the first cell's scale factor: what the gauge held, then the new value.
  const size_t row = text.out.find("  Cell Scale 0 ");
  ASSERT_NE(row, std::string::npos) << text.out;
  std::istringstream fields(text.out.substr(row, text.out.find('\n', row) - row));
  std::string cell, scale, zero, before, after;
  fields >> cell >> scale >> zero >> before >> after;
  EXPECT_EQ(before, "20451");
  EXPECT_NE(after, before);
}

TEST(CliCalibrate, RefusesWithThePanelsMessageOrAWarningAndWritesNothing) {
  TempDir dir;
  const std::string noPackVoltage =
      AppDirWith(dir, "[DA05_1_02_1B_0003]\nDFType=RN44K18\nPackVSupported=0");
  const std::string sealed = dir.Write("sealed.json", R"({"security": "Sealed"})");
  struct Case {
    std::vector<std::string> args;
    std::string stderrLine;  // the first line on stderr
  } cases[] = {
      {{"calibrate", "voltage-temperature"},
       "message: Voltage and Temperature calibration selected but no check boxes checked. There "
       "is nothing to do."},
      {{"calibrate", "voltage-temperature", "--cell", "2=4,000"},
       "message: Invalid value entered! Error description: \"4,000\" for the actual voltage of "
       "Cell 1 + 2 is not a number"},
      {{"calibrate", "voltage-temperature", "--voltage", "--battery", "8000"},
       "warning: the panel does not let a technician enter a battery voltage"},
      {{"calibrate", "voltage-temperature", "--temp", "ext3=25"},
       "warning: the panel does not let a technician enter Ext 3 Temp"},
      {{"calibrate", "current", "--current", ""},
       "message: Actual Current not entered for current calibration. Please enter actual "
       "current."},
      {{"calibrate", "pack-voltage", "--pack", "24001"},
       "message: Pack Voltage entered appears high. Please enter a lower voltage."},
      {{"--appdir", noPackVoltage, "calibrate", "pack-voltage"},
       "warning: the panel does not offer pack-voltage calibration on this gauge"},
      {{"--sim-scenario", sealed, "calibrate", "cc-offset"},
       "message: Pack is sealed. Please unseal device before performing calibration."},
      {{"--adapter", "sim:CEDV", "calibrate", "voltage-temperature", "--cell", "4=16000"},
       "warning: the panel does not let a technician enter the voltage of Cell 1 + 2 + 3 + 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stderrLine);
    std::vector<std::string> args = {"--virtual-time", "--trace", dir.Path("t.jsonl")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(c.stderrLine, 0), 0u) << r.err;
    EXPECT_NE(r.out.find("Done:   no"), std::string::npos);
    EXPECT_EQ(DataFlashWrites(dir.Path("t.jsonl")), 0);
  }
  // The trace keeps each message box with its title.
  RunCli({"--virtual-time", "--trace", dir.Path("t.jsonl"), "calibrate", "voltage-temperature",
          "--cell", "1=abc"});
  const std::vector<json> trace = ParseTrace(ReadFile(dir.Path("t.jsonl")));
  EXPECT_EQ(trace.back().value("op", ""), "MsgBox");
  EXPECT_EQ(trace.back().value("title", ""), "Calibration");
}

TEST(CliCalibrate, UsageErrorsExitWithTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"calibrate"},
           {"calibrate", "voltage"},
           {"calibrate", "voltage-temperature", "--cell", "5=4000"},
           {"calibrate", "voltage-temperature", "--cell", "4000"},
           {"calibrate", "voltage-temperature", "--temp", "ext5=25"},
           {"calibrate", "current", "--current"}}) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_EQ(r.out, "");
  }
}

TEST(CliDemo, CalibratesEveryFamilyWithinItsTargets) {
  for (const char* family : {"sim:CEDV", "sim:QSPAN", "sim:RN44K18", "sim:CEDV_PLUS"}) {
    SCOPED_TRACE(family);
    const CliResult r = RunCli({"--virtual-time", "--json", "--adapter", family, "demo"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["calibrations"].size(), 5u);
    for (const json& c : j["calibrations"])
      EXPECT_TRUE(c["done"]) << c;
    for (const json& q : j["readings"]) {
      EXPECT_TRUE(q["within"]) << q;
      const double before = std::abs(q["before"].get<double>() - q["reference"].get<double>());
      const double after = std::abs(q["after"].get<double>() - q["reference"].get<double>());
      EXPECT_LE(after, before) << q;
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
