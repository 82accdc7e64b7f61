#pragma once
// The emulated adapters: the real i2c-dev and CP2112 drivers over an emulated system layer
// (kernel or HID library) and bus, with a simulated gauge on the bus. Used by the tool for
// i2c-sim:FAMILY and cp2112-sim:FAMILY and by the tests, which keep the parts to look at.

#include <memory>

#include "adapters/Adapter.h"
#include "adapters/emulation/EmulatedBus.h"
#include "adapters/emulation/EmulatedCp2112.h"

#ifdef GAUGECAL_HAVE_I2CDEV
#include "adapters/emulation/FakeI2cKernel.h"
#endif

namespace gaugecal::adapters::emulation {

struct Emulation {
  std::shared_ptr<EmulatedBus> bus;
  std::unique_ptr<AdapterDriver> driver;  // the real driver over the emulated layer
  AdapterChoice choice;                   // opens the emulated adapter through the driver
  std::shared_ptr<EmulatedHidBackend> hid;
#ifdef GAUGECAL_HAVE_I2CDEV
  std::shared_ptr<FakeI2cKernel> kernel;
#endif
};

// choice: an i2c-sim or cp2112-sim name with its options. config: what the emulated i2c bus
// offers (ignored for the bridge).
#ifdef GAUGECAL_HAVE_I2CDEV
Emulation Emulate(const AdapterChoice& choice, std::unique_ptr<sim::SimulatedGauge> gauge,
                  Platform& platform, FakeBusConfig config = {});
#else
Emulation Emulate(const AdapterChoice& choice, std::unique_ptr<sim::SimulatedGauge> gauge,
                  Platform& platform);
#endif

}  // namespace gaugecal::adapters::emulation
