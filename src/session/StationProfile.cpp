#include "session/StationProfile.h"

#include <nlohmann/json.hpp>
#include <set>

#include "platform/BoundedFile.h"
#include "platform/Printable.h"
#include "sim/JsonFields.h"

namespace gaugecal::session {

namespace {

using nlohmann::json;
using sim::JsonFields;

constexpr size_t kMaxProfileBytes = 1024 * 1024;
constexpr int kMaxSamples = 1000;

// What a reference is made of, for the check that its readings can give it.
enum class Dimension { Voltage, Current, Temperature };

std::string Index(const std::string& path, size_t i) {
  return path + "[" + std::to_string(i) + "]";
}

// A text that must be given and not be empty.
bool RequiredText(JsonFields& f, const char* key, std::string& out) {
  if (!f.Has(key))
    return f.Fail(key, "missing");
  if (!f.Text(key, out))
    return false;
  return !out.empty() || f.Fail(key, "must not be empty");
}

// The "instrument" key: the name of one the profile lists.
bool InstrumentOf(JsonFields& f, const StationProfile& p, std::string& name) {
  if (!RequiredText(f, "instrument", name))
    return false;
  for (const instruments::InstrumentSpec& setup : p.instruments) {
    if (setup.name == name)
      return true;
  }
  return f.Fail("instrument", "no instrument is named \"" + Printable(name) + "\"");
}

bool ReadSettings(JsonFields& parent, const json& j, const std::string& file,
                  const std::string& path, instruments::InstrumentSpec& setup, std::string& error) {
  if (!j.is_array())
    return parent.Fail("settings", "must be an array of objects");
  for (size_t i = 0; i < j.size(); ++i) {
    JsonFields f(j[i], file, Index(path, i), error);
    f.OnlyKeys({"channelGroup", "key", "value"});
    instruments::Setting s;
    f.Text("channelGroup", s.channelGroup);
    if (!RequiredText(f, "key", s.key) || !RequiredText(f, "value", s.value))
      return false;
    setup.settings.push_back(s);
  }
  return true;
}

bool ReadInstrument(const json& j, const std::string& file, const std::string& path,
                    std::set<std::string>& names, StationProfile& p, std::string& error) {
  JsonFields f(j, file, path, error);
  f.OnlyKeys({"name", "driver", "connection", "serialcomm", "model", "settings"});
  instruments::InstrumentSpec setup;
  if (!RequiredText(f, "name", setup.name) || !RequiredText(f, "driver", setup.driver))
    return false;
  if (!names.insert(setup.name).second)
    return f.Fail("name", "another instrument is named \"" + Printable(setup.name) + "\"");
  f.Text("connection", setup.connection);
  f.Text("serialcomm", setup.serialcomm);
  f.Text("model", setup.model);
  if (f.Ok() && f.Has("settings") &&
      !ReadSettings(f, f.At("settings"), file, f.PathOf("settings"), setup, error))
    return false;
  p.instruments.push_back(setup);
  return f.Ok();
}

bool ReadInstruments(JsonFields& top, const std::string& file, StationProfile& p,
                     std::string& error) {
  if (!top.Has("instruments"))
    return top.Fail("instruments", "missing: list the bench's instruments");
  const json& list = top.At("instruments");
  if (!list.is_array() || list.empty())
    return top.Fail("instruments", "must be a non-empty array of objects");
  std::set<std::string> names;
  for (size_t i = 0; i < list.size(); ++i) {
    if (!ReadInstrument(list[i], file, Index("instruments", i), names, p, error))
      return false;
  }
  return true;
}

bool ReadReading(const json& j, const std::string& file, const std::string& path,
                 Dimension dimension, const StationProfile& p, ReadingSource& r,
                 std::string& error) {
  JsonFields f(j, file, path, error);
  f.OnlyKeys({"instrument", "channelGroup", "quantity", "samples", "scale", "shunt"});
  if (!InstrumentOf(f, p, r.instrument))
    return false;
  f.Text("channelGroup", r.channelGroup);
  std::string quantity;
  if (!RequiredText(f, "quantity", quantity))
    return false;
  const std::optional<instruments::Quantity> q = instruments::QuantityNamed(quantity);
  if (!q)
    return f.Fail("quantity", "must be voltage, current or temperature");
  r.quantity = *q;
  f.IntegerInto("samples", r.samples, 1, kMaxSamples);
  f.Number("scale", r.scale, -1e6, 1e6);
  if (f.Ok() && r.scale == 0.0)
    return f.Fail("scale", "must not be 0");
  f.Number("shunt", r.shuntOhm, 1e-6, 1e6);
  if (!f.Ok())
    return false;
  using instruments::Quantity;
  const bool fits = (dimension == Dimension::Voltage && *q == Quantity::Voltage) ||
                    (dimension == Dimension::Temperature && *q == Quantity::Temperature) ||
                    (dimension == Dimension::Current && *q == Quantity::Current) ||
                    (dimension == Dimension::Current && *q == Quantity::Voltage && f.Has("shunt"));
  if (f.Has("shunt") && !(dimension == Dimension::Current && *q == Quantity::Voltage))
    return f.Fail("shunt", "only a voltage across a shunt gives a current reference");
  if (!fits) {
    const char* needed = dimension == Dimension::Voltage ? "a voltage reference needs voltage"
                         : dimension == Dimension::Temperature
                             ? "a temperature reference needs temperature"
                             : "a current reference needs current, or voltage with a shunt";
    return f.Fail("quantity", needed);
  }
  return true;
}

bool ReadReference(const json& j, const std::string& file, const std::string& path,
                   Dimension dimension, const StationProfile& p, ReferenceSource& ref,
                   std::string& error) {
  if (j.is_object() && j.contains("sum")) {
    JsonFields f(j, file, path, error);
    if (!f.OnlyKeys({"sum"}))
      return false;
    const json& sum = f.At("sum");
    if (!sum.is_array() || sum.empty())
      return f.Fail("sum", "must be a non-empty array of readings");
    for (size_t i = 0; i < sum.size(); ++i) {
      ReadingSource r;
      if (!ReadReading(sum[i], file, Index(path + ".sum", i), dimension, p, r, error))
        return false;
      ref.readings.push_back(r);
    }
    return true;
  }
  ReadingSource r;
  if (!ReadReading(j, file, path, dimension, p, r, error))
    return false;
  ref.readings.push_back(r);
  return true;
}

// An object of references keyed by the names in keys (index = position).
bool ReadKeyedReferences(JsonFields& refs, const char* key, const std::vector<std::string>& keys,
                         Dimension dimension, const std::string& file, StationProfile& p,
                         std::map<int, ReferenceSource>& out, std::string& error) {
  if (!refs.Has(key))
    return refs.Ok();
  const json& j = refs.At(key);
  if (!j.is_object())
    return refs.Fail(key, "must be a JSON object");
  for (const auto& item : j.items()) {
    int index = -1;
    for (size_t i = 0; i < keys.size(); ++i) {
      if (keys[i] == item.key())
        index = static_cast<int>(i);
    }
    if (index < 0) {
      std::string known;
      for (const std::string& k : keys)
        known += (known.empty() ? "" : ", ") + k;
      return refs.Fail(std::string(key) + "." + item.key(), "unknown key (known: " + known + ")");
    }
    ReferenceSource ref;
    if (!ReadReference(item.value(), file, refs.PathOf(std::string(key) + "." + item.key()),
                       dimension, p, ref, error))
      return false;
    out[index] = ref;
  }
  return true;
}

bool ReadOptionalReference(JsonFields& refs, const char* key, Dimension dimension,
                           const std::string& file, StationProfile& p,
                           std::optional<ReferenceSource>& out, std::string& error) {
  if (!refs.Has(key))
    return refs.Ok();
  ReferenceSource ref;
  if (!ReadReference(refs.At(key), file, refs.PathOf(key), dimension, p, ref, error))
    return false;
  out = ref;
  return true;
}

bool ReadReferences(JsonFields& top, const std::string& file, StationProfile& p,
                    std::string& error) {
  if (!top.Has("references"))
    return top.Ok();
  JsonFields f(top.At("references"), file, "references", error);
  f.OnlyKeys({"cells", "battery", "pack", "current", "temperatures"});
  std::map<int, ReferenceSource> cells;
  if (!ReadKeyedReferences(f, "cells", {"1", "2", "3", "4"}, Dimension::Voltage, file, p, cells,
                           error))
    return false;
  for (const auto& [row, ref] : cells)
    p.cells[row + 1] = ref;
  return ReadKeyedReferences(f, "temperatures", SensorKeys(), Dimension::Temperature, file, p,
                             p.temperatures, error) &&
         ReadOptionalReference(f, "battery", Dimension::Voltage, file, p, p.battery, error) &&
         ReadOptionalReference(f, "pack", Dimension::Voltage, file, p, p.pack, error) &&
         ReadOptionalReference(f, "current", Dimension::Current, file, p, p.current, error);
}

bool ReadSource(JsonFields& top, const std::string& file, StationProfile& p, std::string& error) {
  if (!top.Has("source"))
    return top.Ok();
  JsonFields f(top.At("source"), file, "source", error);
  f.OnlyKeys({"instrument", "channelGroup", "currentMa", "voltageMv", "settleSeconds"});
  CurrentSource s;
  if (!InstrumentOf(f, p, s.instrument))
    return false;
  f.Text("channelGroup", s.channelGroup);
  if (!f.Has("currentMa"))
    return f.Fail("currentMa", "missing: the calibration current in mA");
  f.Number("currentMa", s.currentMa, -15000.0, 15000.0);
  if (f.Ok() && s.currentMa == 0.0)
    return f.Fail("currentMa", "must not be 0");
  if (f.Has("voltageMv")) {
    double mv = 0.0;
    f.Number("voltageMv", mv, 0.0, 60000.0);
    s.voltageMv = mv;
  }
  f.Number("settleSeconds", s.settleSeconds, 0.0, 600.0);
  if (!f.Ok())
    return false;
  p.source = s;
  return true;
}

}  // namespace

std::vector<NamedReference> NamedReferences(const StationProfile& profile) {
  std::vector<NamedReference> named;
  for (const auto& [row, source] : profile.cells) {
    std::string name = "Cell 1";
    for (int n = 2; n <= row; ++n)
      name += " + " + std::to_string(n);
    named.push_back({name, &source});
  }
  if (profile.battery)
    named.push_back({"Battery", &*profile.battery});
  for (const auto& [sensor, source] : profile.temperatures)
    named.push_back({"Temperature " + SensorKeys()[static_cast<size_t>(sensor)], &source});
  if (profile.pack)
    named.push_back({"Pack", &*profile.pack});
  if (profile.current)
    named.push_back({"Current", &*profile.current});
  return named;
}

std::optional<StationProfile> ParseStationProfile(const std::string& text, const std::string& file,
                                                  std::string& error) {
  error.clear();
  json j;
  try {
    j = json::parse(text);
  } catch (const json::exception& e) {
    error = file + ": not valid JSON (" + e.what() + ")";
    return std::nullopt;
  }
  StationProfile p;
  p.file = file;
  JsonFields top(j, file, "", error);
  top.OnlyKeys({"name", "instruments", "references", "source"});
  top.Text("name", p.name);
  if (!top.Ok() || !ReadInstruments(top, file, p, error) || !ReadReferences(top, file, p, error) ||
      !ReadSource(top, file, p, error))
    return std::nullopt;
  return p;
}

std::optional<StationProfile> ReadStationProfile(const std::string& path, std::string& error) {
  std::string text, problem;
  if (!ReadBoundedFile(path, kMaxProfileBytes, text, problem)) {
    error = path + ": the station profile " + problem;
    return std::nullopt;
  }
  return ParseStationProfile(text, path, error);
}

}  // namespace gaugecal::session
