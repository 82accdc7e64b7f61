#include "panel/ScanSamples.h"

#include <charconv>
#include <cstdio>

namespace gaugecal::panel {

namespace {

// A box's text as a number: the whole text, or a gap.
std::optional<double> Number(const std::string& text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || at != end)
    return std::nullopt;
  return value;
}

std::string Fixed(double value, const char* format) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

const std::vector<SampleSeries>& ScanSamples::Series() {
  static const std::vector<SampleSeries> series = {
      {"Cell 1", SampleUnit::Millivolts},    {"Cells 1-2", SampleUnit::Millivolts},
      {"Cells 1-3", SampleUnit::Millivolts}, {"Cells 1-4", SampleUnit::Millivolts},
      {"Battery", SampleUnit::Millivolts},   {"Pack", SampleUnit::Millivolts},
      {"Current", SampleUnit::Milliamps},    {"Internal Temp", SampleUnit::DegreesC},
      {"TS1 Temp", SampleUnit::DegreesC},    {"TS2 Temp", SampleUnit::DegreesC},
      {"TS3 Temp", SampleUnit::DegreesC},    {"TS4 Temp", SampleUnit::DegreesC},
  };
  return series;
}

const char* ScanSamples::UnitText(SampleUnit unit) {
  switch (unit) {
    case SampleUnit::Millivolts:
      return "mV";
    case SampleUnit::Milliamps:
      return "mA";
    case SampleUnit::DegreesC:
      break;
  }
  return "degC";
}

void ScanSamples::Add(double timeMs, const DeviceMeasurements& m) {
  ScanSample sample{timeMs, {}};
  for (const std::string& stack : m.stack)
    sample.values.push_back(Number(stack));
  sample.values.push_back(Number(m.battery));
  sample.values.push_back(Number(m.pack));
  sample.values.push_back(Number(m.current));
  for (const std::string& temperature : m.temperatures)
    sample.values.push_back(Number(temperature));
  if (samples_.size() == capacity_)
    samples_.pop_front();
  samples_.push_back(std::move(sample));
  ++added_;
}

std::string ScanSamples::Csv() const {
  std::string csv = "Time (s)";
  for (const SampleSeries& s : Series())
    csv += std::string(",") + s.name + " (" + UnitText(s.unit) + ")";
  csv += "\n";
  for (const ScanSample& sample : samples_) {
    csv += Fixed((sample.timeMs - samples_.front().timeMs) / 1000.0, "%.3f");
    for (const std::optional<double>& value : sample.values)
      csv += "," + (value ? Fixed(*value, "%.10g") : std::string());
    csv += "\n";
  }
  return csv;
}

}  // namespace gaugecal::panel
