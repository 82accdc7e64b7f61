#pragma once
// The station profile (--station FILE): the bench's instruments and, for each reference the
// calibration panel takes, where its value comes from. Every field is checked when the file is
// read; a bad one is named with the file and what is wrong with it.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "instruments/Instrument.h"
#include "instruments/SigrokBench.h"

namespace gaugecal::session {

// One instrument's reading, turned into the reference's unit: value * scale, divided by the
// shunt's resistance when a voltage across a shunt gives a current.
struct ReadingSource {
  std::string instrument;
  std::string channelGroup;  // "" for the whole instrument
  instruments::Quantity quantity = instruments::Quantity::Voltage;
  int samples = 10;
  double scale = 1.0;
  double shuntOhm = 0.0;  // 0: no shunt
};

// A reference: one reading, or the sum of several (the stacked channels of a cell simulator).
struct ReferenceSource {
  std::vector<ReadingSource> readings;
};

// The calibration current's source: set, left to settle, measured, switched off.
struct CurrentSource {
  std::string instrument;
  std::string channelGroup;
  double currentMa = 0.0;
  std::optional<double> voltageMv;  // the source's voltage set before its output goes on
  double settleSeconds = 1.0;
};

struct StationProfile {
  std::string file;
  std::string name;  // the station's name in its records; empty: GAUGECAL_STATION or the host
  std::vector<instruments::InstrumentSpec> instruments;
  std::map<int, ReferenceSource> cells;  // stack row 1..4
  std::optional<ReferenceSource> battery;
  std::optional<ReferenceSource> pack;
  std::optional<ReferenceSource> current;
  std::map<int, ReferenceSource> temperatures;  // sensor 0 (internal) .. 4 (ext4)
  std::optional<CurrentSource> source;
};

// A reference the profile serves, under the name its measurement line shows ("Cell 1 + 2",
// "Pack", "Temperature ext1"), in the order the panel's page shows the boxes.
struct NamedReference {
  std::string name;
  const ReferenceSource* source;
};
std::vector<NamedReference> NamedReferences(const StationProfile& profile);

// The temperature sensors' keys, as calibrate --temp names them: "internal", "ext1" .. "ext4".
inline const std::vector<std::string>& SensorKeys() {
  static const std::vector<std::string> keys = {"internal", "ext1", "ext2", "ext3", "ext4"};
  return keys;
}

std::optional<StationProfile> ParseStationProfile(const std::string& text, const std::string& file,
                                                  std::string& error);
std::optional<StationProfile> ReadStationProfile(const std::string& path, std::string& error);

}  // namespace gaugecal::session
