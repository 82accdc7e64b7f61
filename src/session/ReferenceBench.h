#pragma once
// What a calibration asks of a bench: the profile that says where each reference comes from, a
// reference measured, the calibration current switched on and off. The station implements it.
// A panel plug-in, which carries its own copy of the panel and of the code that fills its boxes,
// drives the host's station through these virtual functions only, so it links no driver.

#include <string>
#include <vector>

#include "instruments/Instrument.h"
#include "session/StationProfile.h"

namespace gaugecal::session {

// One instrument reading that went into a reference, for the trace.
struct MeasureRecord {
  std::string instrument;
  std::string channelGroup;
  instruments::Reading reading;
  double ms = 0.0;  // how long it took, by the wall clock: instruments run in real time
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

class ReferenceBench {
 public:
  virtual ~ReferenceBench() = default;
  virtual const StationProfile& Profile() const = 0;
  // A reference in the unit of its box: mV for voltages, mA for currents, degC.
  virtual bool Measure(const ReferenceSource& source, MeasuredReference& out,
                       std::string& error) = 0;
  // The calibration current: voltage (when the profile sets one), current, output on.
  virtual bool SourceOn(std::string& error) = 0;
  // Output off; harmless when it is off already. Without a source in the profile: true.
  virtual bool SourceOff(std::string& error) = 0;
  virtual bool SourceIsOn() const = 0;
};

}  // namespace gaugecal::session
