// One station per adapter: while one tool holds an adapter (or the simulated gauge's data
// flash file behind it), a second gaugecal is refused with one line naming the adapter and
// exit status 1, and touches nothing: no transfer, no backup, no trace file emptied. The
// emulated adapters take the same lock path as the real i2c-dev bus and CP2112 bridge.

#include <gtest/gtest.h>

#include <filesystem>

#include "CliRun.h"
#include "adapters/OpenAdapter.h"
#include "platform/VirtualPlatform.h"

namespace gaugecal::test {
namespace {

TEST(StationLock, ASecondInstanceOnAHeldAdapterIsRefusedAndTouchesNothing) {
  const std::string inUse = " is in use by another gaugecal or morvane; nothing was done\n";
  struct Case {
    std::string holder;  // the station already at work
    std::string second;
    std::string refusal;  // what the second is told, after "gaugecal: SECOND: "
  };
  TempDir dir;
  const std::string flash = dir.Path("df.hex");
  const std::string gaugeFile = "the simulated gauge of data flash file " + flash + inUse;
  const Case cases[] = {
      {"sim:CEDV", "sim:CEDV", gaugeFile},
      {"i2c-sim:CEDV", "i2c-sim:CEDV", "/dev/i2c-0" + inUse},
      {"cp2112-sim:CEDV", "cp2112-sim:CEDV", "the CP2112 bridge SIM00001" + inUse},
      // Two adapters in front of one gauge are one station.
      {"i2c-sim:CEDV", "sim:CEDV", gaugeFile},
      {"sim:CEDV", "cp2112-sim:CEDV", "the CP2112 bridge SIM00001" + inUse},
  };
  const std::string scenario = dir.Write("gauge.json", "{\"dataFlashFile\": \"df.hex\"}");
  const std::string trace = dir.Write("trace.jsonl", "an earlier trace\n");
  const auto run = [&](const std::string& adapter) {
    return RunCli({"--virtual-time", "--adapter", adapter, "--sim-scenario", scenario,
                   "--backup-dir", dir.Path("backups"), "--trace", trace, "calibrate",
                   "board-offset"});
  };
  ASSERT_EQ(RunCli({"--adapter", "sim:CEDV", "--sim-scenario", scenario, "identify"}).status, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.holder + " then " + c.second);
    dir.Write("trace.jsonl", "an earlier trace\n");
    const std::string before = ReadFile(flash);
    VirtualPlatform platform;
    std::string error;
    adapters::OpenedAdapter holder = adapters::OpenAdapter(
        c.holder, scenario, platform, [](const std::string&) {}, error);
    ASSERT_TRUE(holder.link) << error;

    const CliResult second = run(c.second);
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, "gaugecal: " + c.second + ": " + c.refusal);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(ReadFile(flash), before);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("backups")));
    EXPECT_EQ(ReadFile(trace), "an earlier trace\n");

    holder.link.reset();
    // Free again once the holder closed it (the bridge cannot carry start-up's identification
    // blocks, so there the run gets as far as the gauge and fails on its own).
    const CliResult again = run(c.second);
    EXPECT_EQ(again.err.find(" is in use "), std::string::npos) << again.err;
    EXPECT_NE(ReadFile(trace), "an earlier trace\n");
    if (c.second.rfind("cp2112", 0) != 0) {
      EXPECT_EQ(again.status, 0) << again.err;
    }
    std::filesystem::remove_all(dir.Path("backups"));
  }
}

}  // namespace
}  // namespace gaugecal::test
