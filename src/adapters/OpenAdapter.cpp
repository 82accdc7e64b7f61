#include "adapters/OpenAdapter.h"

#include "adapters/cp2112/Cp2112Driver.h"
#include "adapters/cp2112/HidApiBackend.h"
#include "adapters/emulation/Emulations.h"
#include "sim/ScenarioJson.h"

#ifdef GAUGECAL_HAVE_I2CDEV
#include "adapters/i2cdev/I2cDevDriver.h"
#include "adapters/i2cdev/LinuxI2cSys.h"
#endif

namespace gaugecal::adapters {

namespace {

// The scenario's gauge: the family's built-in one, or the file's.
std::unique_ptr<sim::SimulatedGauge> OpenSimulated(const AdapterChoice& choice,
                                                   const std::string& scenarioFile,
                                                   Platform& platform, std::string& error,
                                                   bool& inUse) {
  const DfType family = *sim::ParseFamily(choice.target);
  std::optional<sim::Scenario> scenario = sim::DefaultScenario(family);
  if (!scenarioFile.empty()) {
    scenario = sim::LoadScenarioFile(scenarioFile, family, error);
    if (!scenario)
      return nullptr;
  }
  if (choice.kind == AdapterKind::Sim) {
    for (const sim::Fault& f : scenario->faults) {
      if (sim::IsAdapterFault(f.kind)) {
        error = scenarioFile +
                ": adapter faults need an emulated adapter (i2c-sim:" + choice.target +
                " or cp2112-sim:" + choice.target + ")";
        return nullptr;
      }
    }
  }
  // Behind an emulated adapter the adapter's own lock covers the gauge's file.
  std::unique_ptr<sim::SimulatedGauge> gauge = sim::OpenGauge(
      std::move(*scenario), platform, error, &inUse, choice.kind == AdapterKind::Sim);
  if (!gauge && !scenarioFile.empty() && !inUse)
    error = scenarioFile + ": " + error;
  return gauge;
}

std::unique_ptr<AdapterDriver> RealDriver(AdapterKind kind, Platform& platform) {
#ifdef GAUGECAL_HAVE_I2CDEV
  if (kind == AdapterKind::I2c)
    return std::make_unique<i2cdev::I2cDevDriver>(std::make_shared<i2cdev::LinuxI2cSys>(),
                                                  platform);
#endif
  if (kind == AdapterKind::Cp2112)
    return std::make_unique<cp2112::Cp2112Driver>(cp2112::HidApiBackend::Create(), platform);
  return nullptr;
}

}  // namespace

OpenedAdapter OpenAdapter(const std::string& name, const std::string& scenarioFile,
                          Platform& platform, const WarningSink& warn, std::string& error) {
  std::optional<AdapterChoice> choice = ParseAdapterChoice(name, error);
  if (!choice)
    return {};
  const bool simulated = choice->kind == AdapterKind::Sim || choice->kind == AdapterKind::I2cSim ||
                         choice->kind == AdapterKind::Cp2112Sim;
  if (!simulated && !scenarioFile.empty()) {
    error = "--sim-scenario needs a simulated gauge (sim:, i2c-sim: or cp2112-sim:), not " + name;
    return {};
  }
  OpenedAdapter opened;
  std::unique_ptr<Adapter> adapter;
  if (simulated) {
    std::unique_ptr<sim::SimulatedGauge> gauge =
        OpenSimulated(*choice, scenarioFile, platform, error, opened.inUse);
    opened.gauge = gauge.get();
    if (opened.inUse)
      error = name + ": " + error;
    if (!gauge || choice->kind == AdapterKind::Sim) {
      opened.link = std::move(gauge);
      return opened;
    }
    emulation::Emulation e = emulation::Emulate(*choice, std::move(gauge), platform);
    adapter = e.driver->Open(e.choice, error);
    opened.inUse = e.driver->LastOpenInUse();
  } else if (std::unique_ptr<AdapterDriver> driver = RealDriver(choice->kind, platform)) {
    adapter = driver->Open(*choice, error);
    opened.inUse = driver->LastOpenInUse();
  } else {
    error = "adapter \"" + name + "\" is not available on this system";
  }
  if (!adapter) {
    if (opened.inUse)
      error = name + ": " + error;
    OpenedAdapter refused;
    refused.inUse = opened.inUse;
    return refused;
  }
  adapter->SetWarningSink(warn);
  opened.link = std::move(adapter);
  return opened;
}

std::vector<std::unique_ptr<AdapterDriver>> RealDrivers(Platform& platform) {
  std::vector<std::unique_ptr<AdapterDriver>> drivers;
  for (AdapterKind kind : {AdapterKind::I2c, AdapterKind::Cp2112}) {
    if (std::unique_ptr<AdapterDriver> driver = RealDriver(kind, platform))
      drivers.push_back(std::move(driver));
  }
  return drivers;
}

}  // namespace gaugecal::adapters
