// Scanning: every adapter the drivers list is opened, asked for the device type at 0x17 with
// one subcommand write and one block read, and closed again.

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "adapters/OpenAdapter.h"
#include "adapters/Scan.h"
#include "adapters/emulation/Emulations.h"
#include "cli/CliRun.h"
#include "platform/VirtualPlatform.h"

namespace gaugecal::test {
namespace {

using namespace adapters;

struct Bench {
  explicit Bench(const char* adapter, uint8_t gaugeAddress = 0x17) {
    sim::Scenario s = sim::DefaultScenario(DfType::RN44K18);
    s.address = gaugeAddress;
    std::string error;
    emulation = emulation::Emulate(*ParseAdapterChoice(adapter, error),
                                   sim::OpenGauge(s, platform, error), platform);
  }
  VirtualPlatform platform;
  emulation::Emulation emulation;
};

TEST(AdapterScan, ListsEachAdapterWithTheDeviceTypeOfTheGaugeThatAnswers) {
  Bench i2c("i2c-sim:RN44K18");
  Bench bridge("cp2112-sim:RN44K18", 0x0B);  // a gauge elsewhere: nobody at 0x17
  std::vector<std::unique_ptr<AdapterDriver>> drivers;
  drivers.push_back(std::move(i2c.emulation.driver));
  drivers.push_back(std::move(bridge.emulation.driver));

  const std::vector<ScanResult> found = ScanAdapters(drivers);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].adapter.name, "i2c:/dev/i2c-0");
  EXPECT_EQ(found[0].adapter.description, "i2c-dev /dev/i2c-0 (emulated SMBus), PEC off");
  EXPECT_EQ(found[0].openError, "");
  EXPECT_EQ(found[0].deviceType, 0x0A05);  // the identification's first two bytes
  EXPECT_EQ(found[1].adapter.name, "cp2112:SIM00001");
  EXPECT_EQ(found[1].adapter.description, "CP2112 bridge SIM00001, 100 kHz, PEC off");
  EXPECT_EQ(found[1].deviceType, std::nullopt);
  // One subcommand write and one block read where the gauge answered; the write alone elsewhere.
  EXPECT_EQ(i2c.emulation.bus->Transfers(), 2);
  EXPECT_EQ(bridge.emulation.bus->Transfers(), 1);
  EXPECT_EQ(i2c.emulation.kernel->OpenFiles(), 0u);
  EXPECT_EQ(i2c.emulation.bus->Gauge().Security(), sim::SecurityMode::Unsealed);

  EXPECT_TRUE(ScanAdapters({}).empty());

  // A bridge held open elsewhere is listed with the reason.
  std::string error;
  const auto holder = drivers[1]->Open(*ParseAdapterChoice("cp2112", error), error);
  ASSERT_NE(holder, nullptr) << error;
  EXPECT_EQ(ScanAdapters(drivers)[1].openError,
            "cannot open the CP2112 bridge SIM00001: the device is already open (permissions: "
            "see docs/hardware.md)");
}

// The tool's scan opens no gauge of its own, so a --adapter that does not exist is no obstacle;
// on a machine without adapters it says so and succeeds.
TEST(AdapterScan, TheToolListsWhatTheDriversFindOrSaysThereIsNothing) {
  VirtualPlatform platform;
  const std::vector<ScanResult> found = ScanAdapters(RealDrivers(platform));
  const CliResult r = RunCli({"--adapter", "i2c:/dev/i2c-99", "scan"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  if (found.empty()) {
    EXPECT_EQ(r.out, "No adapters found (no i2c-dev buses, no CP2112 bridges).\n");
  } else {
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), static_cast<long>(found.size()));
    EXPECT_EQ(r.out.rfind(found.front().adapter.name + "  ", 0), 0u);
  }
  const CliResult json = RunCli({"scan", "--json"});
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(nlohmann::json::parse(json.out)["adapters"].size(), found.size());
}

}  // namespace
}  // namespace gaugecal::test
