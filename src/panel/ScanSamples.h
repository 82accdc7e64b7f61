#pragma once
// What the panel read of the gauge's live quantities since it started, for a plot that follows
// the scan and its CSV file: one sample per reading (scan tick, Read button, the refreshes of
// a calibration) with its time and the stack voltages, battery and pack voltage, current and
// the five temperatures. A quantity the gauge did not report (empty, "Err_Rd") is a gap.
// The oldest samples go once the buffer is full.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "calibration/DeviceMeasurements.h"

namespace gaugecal::panel {

enum class SampleUnit { Millivolts, Milliamps, DegreesC };

struct SampleSeries {
  const char* name;  // "Cell 1", "Cells 1-2", ..., "Current", "Internal Temp", ...
  SampleUnit unit;
};

struct ScanSample {
  double timeMs = 0.0;                        // on the platform clock
  std::vector<std::optional<double>> values;  // one per series
};

class ScanSamples {
 public:
  // 20 hours of scan ticks every 2 s.
  static constexpr size_t kCapacity = 36000;
  explicit ScanSamples(size_t capacity = kCapacity) : capacity_(capacity) {}

  static const std::vector<SampleSeries>& Series();
  static const char* UnitText(SampleUnit unit);

  void Add(double timeMs, const DeviceMeasurements& measured);
  const std::deque<ScanSample>& Samples() const { return samples_; }
  // Samples added since the panel was made, dropped ones included: a view redraws when it
  // changes.
  uint64_t Added() const { return added_; }

  // A header line "Time (s),Cell 1 (mV),...", then one line per sample: the seconds since the
  // first sample kept, with three decimals, and every value (empty for a gap).
  std::string Csv() const;

 private:
  size_t capacity_;
  std::deque<ScanSample> samples_;
  uint64_t added_ = 0;
};

}  // namespace gaugecal::panel
