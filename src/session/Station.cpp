#include "session/Station.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "platform/Platform.h"
#include "platform/TraceLog.h"

namespace gaugecal::session {

namespace {

using instruments::Quantity;

// SI reading to the box's unit: millivolts and milliamperes; degrees as they are.
double ToBoxUnit(const ReadingSource& source, double si) {
  double value = si * source.scale;
  if (source.shuntOhm > 0.0)
    value /= source.shuntOhm;  // a voltage across the shunt is its current
  return source.quantity == Quantity::Temperature ? value : value * 1000.0;
}

std::string BoxUnit(const ReadingSource& source) {
  if (source.quantity == Quantity::Temperature)
    return "degC";
  return source.quantity == Quantity::Current || source.shuntOhm > 0.0 ? "mA" : "mV";
}

}  // namespace

std::string ReferenceText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return std::string(text) == "-0.0" ? "0.0" : text;
}

std::unique_ptr<Station> Station::Open(const StationProfile& profile, std::string& error) {
  std::unique_ptr<Station> station(new Station());
  station->profile_ = profile;
  return station->OpenInstruments(error) ? std::move(station) : nullptr;
}

bool Station::OpenInstruments(std::string& error) {
  for (const instruments::InstrumentSpec& setup : profile_.instruments) {
    std::unique_ptr<instruments::Instrument> instrument = bench_.Open(setup, error);
    if (!instrument)
      return false;
    instruments_.push_back(std::move(instrument));
  }
  return true;
}

std::unique_ptr<Station> Station::OpenEmulated(sim::SimulatedGauge& gauge, std::string& error) {
  std::unique_ptr<EmulatedBench> emulation = EmulatedBench::Start(gauge, error);
  if (!emulation)
    return nullptr;
  std::unique_ptr<Station> station(new Station());
  station->profile_ = emulation->Profile();
  station->emulation_ = std::move(emulation);
  return station->OpenInstruments(error) ? std::move(station) : nullptr;
}

std::unique_ptr<Station> OpenStation(const std::string& setting, sim::SimulatedGauge* gauge,
                                     std::string& error) {
  if (setting == kEmulatedStation) {
    if (gauge == nullptr) {
      error = "--station emulated needs a simulated gauge (--adapter sim:FAMILY)";
      return nullptr;
    }
    return Station::OpenEmulated(*gauge, error);
  }
  const std::optional<StationProfile> profile = ReadStationProfile(setting, error);
  return profile ? Station::Open(*profile, error) : nullptr;
}

Station::~Station() {
  // A source is never left on, whatever ended the run.
  std::string ignored;
  if (sourceOn_)
    SourceOff(ignored);
  instruments_.clear();
}

instruments::Instrument* Station::Find(const std::string& name) const {
  for (const auto& instrument : instruments_) {
    if (instrument->Name() == name)
      return instrument.get();
  }
  return nullptr;
}

bool Station::Measure(const ReferenceSource& source, MeasuredReference& out, std::string& error) {
  out = MeasuredReference();
  std::string names;
  int samples = 0;
  for (const ReadingSource& r : source.readings) {
    instruments::Instrument* instrument = Find(r.instrument);
    if (instrument == nullptr) {
      error = "the station has no instrument " + r.instrument;
      return false;
    }
    MeasureRecord record{r.instrument, r.channelGroup, {}};
    const auto start = std::chrono::steady_clock::now();
    if (!instrument->Measure(r.channelGroup, r.quantity, r.samples, record.reading, error))
      return false;
    record.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (emulation_)
      emulation_->Sync();
    if (onMeasure)
      onMeasure(record);
    out.value += ToBoxUnit(r, record.reading.value);
    out.unit = BoxUnit(r);
    if (names.find(r.instrument) == std::string::npos)
      names += (names.empty() ? "" : " + ") + r.instrument;
    samples = record.reading.samples;
    out.readings.push_back(record);
  }
  out.text = ReferenceText(out.value);
  out.from =
      names + ", mean of " + std::to_string(samples) + (source.readings.size() > 1 ? " each" : "");
  return true;
}

bool Station::SourceOn(std::string& error) {
  if (!profile_.source) {
    error = "the station profile " + profile_.file + " has no current source";
    return false;
  }
  const CurrentSource& s = *profile_.source;
  instruments::Instrument* instrument = Find(s.instrument);
  if (instrument == nullptr) {
    error = "the station has no instrument " + s.instrument;
    return false;
  }
  const auto record = [&](const char* setting, double value) {
    if (onSource)
      onSource({s.instrument, s.channelGroup, setting, value});
  };
  if (s.voltageMv) {
    if (!instrument->SetVoltage(s.channelGroup, *s.voltageMv / 1000.0, error))
      return false;
    record("voltage", *s.voltageMv / 1000.0);
  }
  const double amperes = std::fabs(s.currentMa) / 1000.0;
  if (!instrument->SetCurrent(s.channelGroup, amperes, error))
    return false;
  record("current", amperes);
  // Marked on before the command: an output that went on without its answer still goes off.
  sourceOn_ = true;
  if (!instrument->SetOutput(s.channelGroup, true, error))
    return false;
  record("output", 1.0);
  return ReadBackSource(error);
}

bool Station::ReadBackSource(std::string& error) {
  const CurrentSource& s = *profile_.source;
  ReferenceSource readBack{
      {ReadingSource{s.instrument, s.channelGroup, instruments::Quantity::Current, 1, 1.0, 0.0}}};
  MeasuredReference ignored;
  return Measure(readBack, ignored, error);
}

bool Station::SourceOff(std::string& error) {
  if (!profile_.source)
    return true;
  const CurrentSource& s = *profile_.source;
  instruments::Instrument* instrument = Find(s.instrument);
  if (instrument == nullptr)
    return true;
  if (!instrument->SetOutput(s.channelGroup, false, error))
    return false;
  sourceOn_ = false;
  if (onSource)
    onSource({s.instrument, s.channelGroup, "output", 0.0});
  return ReadBackSource(error);
}

void TraceStation(Station& station, Platform& platform) {
  station.onMeasure = [&platform](const MeasureRecord& m) {
    if (TraceLog* trace = platform.Trace()) {
      trace->Record(
          {.op = "Measure",
           .instrument = m.instrument,
           .channelGroup = m.channelGroup.empty() ? std::nullopt : std::optional(m.channelGroup),
           .quantity = instruments::NameOf(m.reading.quantity),
           .value = m.reading.value,
           .unit = instruments::UnitOf(m.reading.quantity),
           .samples = m.reading.samples});
    }
  };
  station.onSource = [&platform](const SourceRecord& s) {
    if (TraceLog* trace = platform.Trace()) {
      trace->Record(
          {.op = "Source",
           .instrument = s.instrument,
           .channelGroup = s.channelGroup.empty() ? std::nullopt : std::optional(s.channelGroup),
           .setting = s.setting,
           .value = s.value});
    }
  };
}

}  // namespace gaugecal::session
