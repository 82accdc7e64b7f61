// The tool on the emulated adapters: read and raw on i2c-sim and cp2112-sim against the same
// commands on the simulated gauge itself, for every family, comparing exit status, output and
// the whole bus trace; and the scenario file's faults on the emulated adapters.

#include <gtest/gtest.h>

#include "cli/CliRun.h"
#include "support/TempDir.h"

namespace gaugecal::test {
namespace {

struct ToolRun {
  CliResult result;
  std::vector<std::string> trace;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

ToolRun Tool(const TempDir& dir, const std::string& adapter, const std::string& command,
             const std::string& scenario = "") {
  const std::string trace = dir.Path(adapter + "-" + command + ".jsonl");
  std::vector<std::string> args = {"--adapter", adapter, "--virtual-time", "--trace", trace};
  if (!scenario.empty())
    args.insert(args.end(), {"--sim-scenario", scenario});
  args.push_back(command);
  ToolRun r{RunCli(args), {}};
  r.trace = Lines(ReadFile(trace));
  return r;
}

TEST(EmulatedAdapterCli, ReadAndRawGiveTheResultsAndTraceOfTheSimulatedGauge) {
  TempDir dir;
  for (const char* family : {"CEDV", "QSPAN", "RN44K18", "CEDV_PLUS"}) {
    for (const char* command : {"read", "raw"}) {
      SCOPED_TRACE(std::string(family) + " " + command);
      const ToolRun sim = Tool(dir, std::string("sim:") + family, command);
      ASSERT_EQ(sim.result.status, 0) << sim.result.err;
      ASSERT_GT(sim.trace.size(), 20u);

      const ToolRun i2c = Tool(dir, std::string("i2c-sim:") + family, command);
      EXPECT_EQ(i2c.result.status, sim.result.status);
      EXPECT_EQ(i2c.result.out, sim.result.out);
      EXPECT_EQ(i2c.result.err, sim.result.err);
      EXPECT_EQ(i2c.trace, sim.trace);

      // The bridge carries at most 61 bytes a write: the identification's 62-byte blocks are
      // refused unsent, so the gauge never answers with its identification. Up to that first
      // block the trace is the same.
      const ToolRun bridge = Tool(dir, std::string("cp2112-sim:") + family, command);
      EXPECT_EQ(bridge.result.status, 1);
      size_t same = 0;
      while (same < bridge.trace.size() && bridge.trace[same] == sim.trace[same])
        ++same;
      ASSERT_LT(same, bridge.trace.size());
      EXPECT_NE(bridge.trace[same].find(R"("op":"WriteSMBusBlock","cmd":34)"), std::string::npos);
      EXPECT_NE(bridge.trace[same].find(R"("len":62,"status":24})"), std::string::npos);
    }
  }
}

TEST(EmulatedAdapterCli, ScenarioFaultsStrikeOnTheEmulatedAdaptersAndAdapterFaultsOnlyThere) {
  TempDir dir;
  // The second raw block read is refused: the same on the gauge and through i2c-dev.
  const std::string gaugeFault = dir.Write(
      "nack.json",
      R"({"faults": [{"kind": "nack", "member": "ReadSMBusBlock_", "command": 35, "occurrence": 3}]})");
  const ToolRun sim = Tool(dir, "sim:CEDV", "raw", gaugeFault);
  const ToolRun i2c = Tool(dir, "i2c-sim:CEDV", "raw", gaugeFault);
  EXPECT_NE(sim.trace, Tool(dir, "sim:CEDV", "raw").trace);
  EXPECT_EQ(i2c.trace, sim.trace);
  EXPECT_EQ(i2c.result.out, sim.result.out);

  const std::string adapterFault = dir.Write(
      "busy.json", R"({"faults": [{"kind": "busyForever", "member": "ReadSMBusWord_"}]})");
  const CliResult refused =
      RunCli({"--adapter", "sim:CEDV", "--sim-scenario", adapterFault, "--virtual-time", "read"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err, "gaugecal: " + adapterFault +
                             ": adapter faults need an emulated adapter (i2c-sim:CEDV or "
                             "cp2112-sim:CEDV)\n");
  const ToolRun busy = Tool(dir, "i2c-sim:CEDV", "read", adapterFault);
  ASSERT_FALSE(busy.trace.empty());
  EXPECT_NE(
      busy.trace.front().find(R"("op":"ReadSMBusWord_","cmd":0,"addr":23,"word":1,"status":19})"),
      std::string::npos);

  const CliResult real =
      RunCli({"--adapter", "i2c:/dev/i2c-0", "--sim-scenario", gaugeFault, "read"});
  EXPECT_EQ(real.status, 2);
  EXPECT_EQ(real.err,
            "gaugecal: --sim-scenario needs a simulated gauge (sim:, i2c-sim: or cp2112-sim:), not "
            "i2c:/dev/i2c-0\n");
}

}  // namespace
}  // namespace gaugecal::test
