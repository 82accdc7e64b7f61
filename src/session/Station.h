#pragma once
// The bench a station profile describes, opened: its instruments, identified, and the
// references measured as the panel's boxes take them (mV, mA, degC). What the calibration
// command, the bench check and the window share.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "instruments/SigrokBench.h"
#include "session/EmulatedBench.h"
#include "session/ReferenceBench.h"
#include "session/StationProfile.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::session {

class Station : public ReferenceBench {
 public:
  // Opens and identifies every instrument of the profile, in its order; nullptr with a text
  // naming the first one that fails.
  static std::unique_ptr<Station> Open(const StationProfile& profile, std::string& error);
  // The built-in emulated bench on a simulated gauge (--station emulated).
  static std::unique_ptr<Station> OpenEmulated(sim::SimulatedGauge& gauge, std::string& error);
  ~Station() override;
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  const StationProfile& Profile() const override { return profile_; }
  const std::vector<std::unique_ptr<instruments::Instrument>>& Instruments() const {
    return instruments_;
  }

  bool Measure(const ReferenceSource& source, MeasuredReference& out, std::string& error) override;

  bool SourceOn(std::string& error) override;
  bool SourceOff(std::string& error) override;
  bool SourceIsOn() const override { return sourceOn_; }
  // The emulated bench behind the instruments; nullptr on a real bench.
  EmulatedBench* Emulation() const { return emulation_.get(); }

  // Called for every instrument reading and every source change, in their order.
  std::function<void(const MeasureRecord&)> onMeasure;
  std::function<void(const SourceRecord&)> onSource;

 private:
  Station() = default;
  instruments::Instrument* Find(const std::string& name) const;

  bool OpenInstruments(std::string& error);
  // Reads back the source's current: its answer also says the settings before it arrived.
  bool ReadBackSource(std::string& error);

  std::unique_ptr<EmulatedBench> emulation_;  // outlives the instruments that talk to it
  StationProfile profile_;
  instruments::SigrokBench bench_;
  std::vector<std::unique_ptr<instruments::Instrument>> instruments_;
  bool sourceOn_ = false;
};

// --station's setting for the built-in emulated bench.
constexpr const char* kEmulatedStation = "emulated";

// The station of a --station setting: a profile file's bench, or the emulated bench on the
// simulated gauge (nullptr on hardware: refused). nullptr with a text naming what failed.
std::unique_ptr<Station> OpenStation(const std::string& setting, sim::SimulatedGauge* gauge,
                                     std::string& error);

// Records every instrument reading (op "Measure") and source change (op "Source") of the
// station in the platform's bus trace, when it has one.
void TraceStation(Station& station, Platform& platform);

// "7799.2": a reference with one decimal, as a technician types it.
std::string ReferenceText(double value);

}  // namespace gaugecal::session
