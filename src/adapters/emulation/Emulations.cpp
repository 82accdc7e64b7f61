#include "adapters/emulation/Emulations.h"

#include "adapters/cp2112/Cp2112Driver.h"

#ifdef GAUGECAL_HAVE_I2CDEV
#include "adapters/i2cdev/I2cDevDriver.h"
#endif

namespace gaugecal::adapters::emulation {

#ifdef GAUGECAL_HAVE_I2CDEV
Emulation Emulate(const AdapterChoice& choice, std::unique_ptr<sim::SimulatedGauge> gauge,
                  Platform& platform, FakeBusConfig config) {
#else
Emulation Emulate(const AdapterChoice& choice, std::unique_ptr<sim::SimulatedGauge> gauge,
                  Platform& platform) {
#endif
  Emulation e;
  e.bus = std::make_shared<EmulatedBus>(std::move(gauge));
  e.choice = choice;
#ifdef GAUGECAL_HAVE_I2CDEV
  if (choice.kind == AdapterKind::I2cSim) {
    e.choice.kind = AdapterKind::I2c;
    e.choice.target = config.path;
    e.kernel = std::make_shared<FakeI2cKernel>(e.bus, platform, std::move(config));
    e.driver = std::make_unique<i2cdev::I2cDevDriver>(e.kernel, platform);
    return e;
  }
#endif
  e.choice.kind = AdapterKind::Cp2112;
  e.choice.target = EmulatedHidBackend::kSerial;
  e.hid = std::make_shared<EmulatedHidBackend>(e.bus, platform);
  e.driver = std::make_unique<cp2112::Cp2112Driver>(e.hid, platform);
  return e;
}

}  // namespace gaugecal::adapters::emulation
