// Usage errors and bad scenario files: exit status 2, one clear line that names the option or
// the file and the problem, nothing on standard output, never a crash, and an earlier trace
// file left as it was.

#include <gtest/gtest.h>

#include <algorithm>

#include "CliRun.h"

namespace gaugecal::test {
namespace {

struct UsageCase {
  std::vector<std::string> args;
  const char* message;
};

TEST(CliOptions, UsageErrorsExitWithTwo) {
  TempDir dir;
  const std::string kept = dir.Write("kept.jsonl", "kept\n");
  const UsageCase cases[] = {
      {{}, "gaugecal: A subcommand is required"},
      {{"--adapter"}, "gaugecal: --adapter: 1 required NAME missing"},
      {{"--bogus", "identify"}, "gaugecal: The following argument was not expected: --bogus"},
      {{"--virtual-time", "frobnicate"},
       "gaugecal: The following argument was not expected: frobnicate"},
      {{"--adapter", "usb:1", "identify"},
       "gaugecal: unknown adapter \"usb:1\" (known: sim:FAMILY, i2c-sim:FAMILY, cp2112-sim:FAMILY, "
       "i2c:/dev/i2c-N or cp2112[:SERIAL], FAMILY being CEDV, QSPAN, RN44K18 or CEDV_PLUS)"},
      {{"--adapter", "sim:cedv", "identify"}, "gaugecal: unknown adapter \"sim:cedv\""},
      {{"--virtual-time", "identify", "now"},
       "gaugecal: The following argument was not expected: now"},
      {{"--virtual-time", "raw", "--offset", "-x"},
       "gaugecal: The following argument was not expected: -x"},
      {{"--virtual-time", "calibrate", "current", "--cell", "5=1"},
       "gaugecal: --cell: expected N=TEXT, got \"5=1\""},
      {{"--virtual-time", "--trace", dir.Path("missing/t.jsonl"), "identify"},
       "gaugecal: cannot write the trace file"},
  };
  for (const UsageCase& c : cases) {
    std::vector<std::string> args = {"--trace", kept};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_EQ(r.out, "") << c.message;
    EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(ReadFile(kept), "kept\n");
  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("identify"), std::string::npos);
  EXPECT_EQ(RunCli({"raw", "--help"}).status, 0);
  EXPECT_EQ(RunCli({"--version"}).out.rfind("gaugecal ", 0), 0u);
}

struct ScenarioCase {
  const char* name;
  const char* text;  // nullptr: the file does not exist
  const char* problem;
};

TEST(CliOptions, BadScenarioFilesNameTheFileAndTheProblem) {
  const ScenarioCase cases[] = {
      {"missing.json", nullptr, "the scenario file does not exist"},
      {"broken.json", "{\"cells\": 3,", "not valid JSON"},
      {"array.json", "[1, 2]", "must be a JSON object"},
      {"type.json", R"({"cells": "four"})", "\"cells\": must be an integer from 2 to 4"},
      {"range.json", R"({"cells": 5})", "\"cells\": must be an integer from 2 to 4"},
      {"typo.json", R"({"cels": 3})", "\"cels\": unknown key"},
      {"family.json", R"({"family": "XYZ"})", "\"family\": unknown family \"XYZ\""},
      {"other.json", R"({"family": "QSPAN"})",
       "\"family\": the scenario is a QSPAN gauge but the adapter is sim:CEDV"},
      {"gain.json", R"({"converter": {"cellGainError": [0.5, 0, 0, 0]}})",
       "\"converter.cellGainError\": must be an array of 4 numbers from -0.2 to 0.2"},
      {"fault.json", R"({"faults": [{"kind": "explode"}]})", "\"faults[0].kind\": must be one of"},
      {"member.json", R"({"faults": [{"kind": "nack", "member": "Read"}]})",
       "\"faults[0].member\": must name a host-link member"},
      {"param.json", R"({"parameters": {"Cell Scale 0": 20000}})",
       "\"parameters.Cell Scale 0\": the CEDV gauge has no such data flash parameter"},
      {"key.json", R"({"key": "0123"})", "\"key\": must be 32 hexadecimal digits"},
      {"id.json", R"({"identification": "0G"})",
       "\"identification\": must be 1 to 32 bytes of hexadecimal text"},
      {"flashfile.json", R"({"dataFlashFile": "garbage.df"})", "data flash file"},
  };
  for (const ScenarioCase& c : cases) {
    TempDir dir;
    dir.Write("garbage.df", "not hex at all");
    const std::string path = c.text ? dir.Write(c.name, c.text) : dir.Path(c.name);
    const std::string trace = dir.Write("t.jsonl", "kept\n");
    const CliResult r = RunCli({"--trace", trace, "--adapter", "sim:CEDV", "--sim-scenario", path,
                                "--virtual-time", "identify"});
    EXPECT_EQ(ReadFile(trace), "kept\n") << c.name;
    EXPECT_EQ(r.status, 2) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
    EXPECT_EQ(r.err.rfind("gaugecal: " + path + ": ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.problem), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace gaugecal::test
