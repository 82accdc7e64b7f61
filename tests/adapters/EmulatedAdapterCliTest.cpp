// The tool on the emulated adapters: every command that works a gauge on i2c-sim and
// cp2112-sim against the same command on the simulated gauge itself, for every family,
// comparing exit status, output and the whole bus trace; and the scenario file's faults on the
// emulated adapters.

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

ToolRun Tool(const TempDir& dir, const std::string& adapter,
             const std::vector<std::string>& command, const std::string& scenario = "") {
  const std::string trace = dir.Path("trace.jsonl");
  std::vector<std::string> args = {"--adapter", adapter, "--virtual-time", "--trace", trace};
  if (!scenario.empty())
    args.insert(args.end(), {"--sim-scenario", scenario});
  args.insert(args.end(), command.begin(), command.end());
  ToolRun r{RunCli(args), {}};
  r.trace = Lines(ReadFile(trace));
  return r;
}

// Every command that works a gauge, on every family: read, raw, the five calibrations with
// entries the simulated pack passes, and the demo.
std::vector<std::vector<std::string>> GaugeCommands(const std::string& family) {
  std::vector<std::string> voltages = {"calibrate",   "voltage-temperature",
                                       "--voltage",   "--temp",
                                       "internal=25", "--cell",
                                       "1=3900",      "--cell",
                                       "2=7800",      "--cell",
                                       "3=11700"};
  if (family == "QSPAN" || family == "RN44K18")
    voltages.insert(voltages.end(), {"--cell", "4=15600"});
  return {{"read"},
          {"raw"},
          voltages,
          {"calibrate", "pack-voltage", "--pack", "15600"},
          {"calibrate", "current", "--current", "-2000"},
          {"calibrate", "cc-offset"},
          {"calibrate", "board-offset"},
          {"demo"}};
}

TEST(EmulatedAdapterCli, EveryCommandGivesTheResultsAndTraceOfTheSimulatedGauge) {
  TempDir dir;
  for (const std::string family : {"CEDV", "QSPAN", "RN44K18", "CEDV_PLUS"}) {
    for (const std::vector<std::string>& command : GaugeCommands(family)) {
      SCOPED_TRACE(family + " " + command[0] + " " + command[1 % command.size()]);
      const ToolRun sim = Tool(dir, "sim:" + family, command);
      ASSERT_EQ(sim.result.status, 0) << sim.result.out << sim.result.err;
      ASSERT_GT(sim.trace.size(), 20u);

      for (const std::string& name : {"i2c-sim:" + family, "i2c-sim:" + family + ",pec"}) {
        const ToolRun run = Tool(dir, name, command);
        EXPECT_EQ(run.result.status, sim.result.status) << name;
        EXPECT_EQ(run.result.out, sim.result.out) << name;
        EXPECT_EQ(run.result.err, sim.result.err) << name;
        EXPECT_EQ(run.trace, sim.trace) << name;
      }

      // The bridge writes at most 59 data bytes a block: start-up's identification blocks of
      // 62 are refused unsent, so the gauge never answers with its identification. Up to that
      // first block the trace is the same, and the first line on stderr says why.
      const ToolRun bridge = Tool(dir, "cp2112-sim:" + family, command);
      EXPECT_EQ(bridge.result.status, 1);
      EXPECT_EQ(bridge.result.err.rfind("warning: a block write of 62 bytes does not fit one "
                                        "CP2112 transfer (59 bytes at most); not sent\n",
                                        0),
                0u)
          << bridge.result.err;
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
  const ToolRun sim = Tool(dir, "sim:CEDV", {"raw"}, gaugeFault);
  const ToolRun i2c = Tool(dir, "i2c-sim:CEDV", {"raw"}, gaugeFault);
  EXPECT_NE(sim.trace, Tool(dir, "sim:CEDV", {"raw"}).trace);
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
  const ToolRun busy = Tool(dir, "i2c-sim:CEDV", {"read"}, adapterFault);
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
