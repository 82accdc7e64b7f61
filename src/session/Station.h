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
#include "session/StationProfile.h"

namespace gaugecal::session {

// One instrument reading that went into a reference, for the trace.
struct MeasureRecord {
  std::string instrument;
  std::string channelGroup;
  instruments::Reading reading;
  double ms =
      0.0;  // how long the instrument took, by the wall clock (instruments run in real time)
};

struct MeasuredReference {
  double value = 0.0;  // in unit
  std::string unit;    // "mV", "mA" or "degC"
  std::string text;    // the value as a box takes it ("7799.2")
  std::string from;    // "dmm, mean of 10"; "supply, mean of 10 each" for a sum
  std::vector<MeasureRecord> readings;
};

// A change of the current source, for the trace.
struct SourceRecord {
  std::string instrument;
  std::string channelGroup;
  std::string setting;  // "voltage", "current" or "output"
  double value = 0.0;   // V, A, or 1/0 for on/off
};

class Station {
 public:
  // Opens and identifies every instrument of the profile, in its order; nullptr with a text
  // naming the first one that fails.
  static std::unique_ptr<Station> Open(const StationProfile& profile, std::string& error);
  // The built-in emulated bench on a simulated gauge (--station emulated).
  static std::unique_ptr<Station> OpenEmulated(sim::SimulatedGauge& gauge, std::string& error);
  // Virtual, as are the readings and the source: a panel plug-in, which carries its own copy of
  // the panel and bench calibration code, drives the host's bench through this object.
  virtual ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  const StationProfile& Profile() const { return profile_; }
  const std::vector<std::unique_ptr<instruments::Instrument>>& Instruments() const {
    return instruments_;
  }

  // A reference in the unit of its box: mV for voltages, mA for currents, degC.
  virtual bool Measure(const ReferenceSource& source, MeasuredReference& out, std::string& error);

  // The calibration current: voltage (when the profile sets one), current, output on.
  virtual bool SourceOn(std::string& error);
  // Output off; harmless when it is off already. Without a source in the profile: true.
  virtual bool SourceOff(std::string& error);
  bool SourceIsOn() const { return sourceOn_; }
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

// "7799.2": a reference with one decimal, as a technician types it.
std::string ReferenceText(double value);

}  // namespace gaugecal::session
