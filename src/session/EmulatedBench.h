#pragma once
// The built-in emulated bench of --station emulated: instruments as SCPI servers on 127.0.0.1,
// backed by the simulated pack, and the station profile that reaches them through libsigrok's
// real drivers, so the whole instrument path runs without hardware.
//
// The wiring: supply channel 1 makes cell 1, channel 2 cell 2 (the cells above stay as the pack
// has them); channel 3 drives the pack's charge current. A meter sits on every stack tap
// (dmm1 .. dmmN), one on the pack terminals that also carries the pack current (dmm-pack), and
// one thermometer on each temperature sensor the family calibrates (thermo-internal on the
// row families, thermo-ext1, thermo-ext2).

#include <memory>
#include <string>
#include <vector>

#include "instruments/emulation/EmulatedDmm.h"
#include "instruments/emulation/EmulatedSupply.h"
#include "session/StationProfile.h"

namespace gaugecal::sim {
class SimulatedGauge;
}

namespace gaugecal::session {

class EmulatedBench {
 public:
  // The emulated bench's current for the current calibration, charge.
  static constexpr double kSourceCurrentMa = 2000.0;

  static std::unique_ptr<EmulatedBench> Start(sim::SimulatedGauge& gauge, std::string& error);

  // The profile of this bench, with the servers' connections.
  const StationProfile& Profile() const { return profile_; }
  // Brings pack and instruments together after instruments answered: the supply's channels
  // into the pack, the pack's true values onto the meters' terminals.
  void Sync();

  instruments::EmulatedSupply& Supply() { return *supply_; }
  // Every server, for the commands they received and to silence one.
  std::vector<instruments::ScpiServer*> Servers();

 private:
  explicit EmulatedBench(sim::SimulatedGauge& gauge) : gauge_(gauge) {}

  sim::SimulatedGauge& gauge_;
  std::unique_ptr<instruments::EmulatedSupply> supply_;
  std::vector<std::unique_ptr<instruments::EmulatedDmm>> taps_;  // stack tap 1 .. N
  std::unique_ptr<instruments::EmulatedDmm> pack_;
  std::vector<std::unique_ptr<instruments::EmulatedDmm>> thermometers_;  // [internal,] ext1, ext2
  StationProfile profile_;
};

}  // namespace gaugecal::session
