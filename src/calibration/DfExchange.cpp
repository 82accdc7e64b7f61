#include "calibration/DfExchange.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <span>

#include "calibration/DfParameters.h"
#include "device/Backup.h"
#include "device/ModuleState.h"
#include "platform/BoundedFile.h"

namespace gaugecal {

namespace {

constexpr const char* kFormat = "gaugecal data flash parameters";
constexpr int kVersion = 1;
constexpr size_t kMaxFileBytes = 1024 * 1024;
constexpr const char* kNothingWritten = " Nothing was written to the gauge.";

using nlohmann::ordered_json;

ordered_json Identification() {
  const ModuleState& m = Module();
  return {{"IdDevice", m.IdDevice},
          {"IdFirmware", m.IdFirmware},
          {"IdBuild", m.IdBuild},
          {"IdExtra", m.IdExtra}};
}

// The checksum covers the names and values, whatever order a tool that rewrote the file put
// them in: the compact JSON text with the names sorted.
std::string Checksum(const ordered_json& values) {
  const std::string text = nlohmann::json(values).dump();
  return Sha256Hex(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<const DfParameterInfo*> All(const std::vector<DfParameterInfo>& parameters) {
  std::vector<const DfParameterInfo*> all;
  for (const DfParameterInfo& p : parameters)
    all.push_back(&p);
  return all;
}

std::string IdText(const ordered_json& id) {
  std::string text;
  for (const char* key : {"IdDevice", "IdFirmware", "IdBuild", "IdExtra"})
    text += (text.empty() ? "" : " ") + id.value(key, std::string());
  return text;
}

// The reason the file may not go into the connected gauge; empty when it may.
std::string Refusal(const std::string& path, const ordered_json& j, bool force) {
  const std::string file = "The parameter file " + path;
  if (!j.is_object() || j.value("format", "") != kFormat || !j.contains("parameters") ||
      !j["parameters"].is_object() || !j.contains("identification"))
    return file + " is not a gaugecal data flash parameter file.";
  if (j.value("sha256", "") != Checksum(j["parameters"]))
    return file + " does not match its SHA-256: it is damaged or was edited.";
  const std::string family = DfTypeName(Module().calConfig.DFType);
  if (j.value("family", "") != family)
    return file + " is of a " + j.value("family", "") + " gauge, but the connected gauge is " +
           family +
           ": another family keeps other parameters at these bytes, so it is not written, "
           "--force or not.";
  const std::string here = IdText(Identification()), there = IdText(j["identification"]);
  if (!force && here != there)
    return file + " is of a gauge identified as " + there + ", but the connected gauge is " + here +
           " (--force writes it anyway).";
  return {};
}

}  // namespace

int32_t ExportDfParameters(const std::vector<DfParameterInfo>& parameters, const std::string& path,
                           bool overwrite) {
  std::error_code ec;
  if (!overwrite && std::filesystem::exists(path, ec)) {
    ShowMessage("The parameter file " + path +
                " exists already, so it is not overwritten (--force overwrites it).");
    return 1;
  }
  const std::vector<const DfParameterInfo*> all = All(parameters);
  std::vector<std::string> values;
  if (ReadDfValues(all, values) != 0)
    return 1;
  ordered_json named = ordered_json::object();
  for (size_t i = 0; i < all.size(); ++i)
    named[all[i]->Path()] = values[i];
  ordered_json j;
  j["format"] = kFormat;
  j["version"] = kVersion;
  j["family"] = DfTypeName(Module().calConfig.DFType);
  j["identification"] = Identification();
  j["parameters"] = named;
  j["sha256"] = Checksum(named);
  std::string error;
  if (!WriteFileDurably(j.dump(2) + "\n", path, error)) {
    ShowMessage("Could not write the parameter file " + path + ": " + error + ".");
    return 1;
  }
  return 0;
}

int32_t ImportDfParameters(const std::vector<DfParameterInfo>& parameters, const std::string& path,
                           bool force, int& changed, std::vector<std::string>& backups) {
  changed = 0;
  std::string text, error;
  if (!ReadBoundedFile(path, kMaxFileBytes, text, error)) {
    ShowMessage("The parameter file " + path + " " + error + "." + kNothingWritten);
    return 1;
  }
  const ordered_json j = ordered_json::parse(text, nullptr, false);
  if (const std::string refusal = Refusal(path, j, force); !refusal.empty()) {
    ShowMessage(refusal + kNothingWritten);
    return 1;
  }
  std::vector<DfChange> wanted;
  for (const auto& [name, value] : j["parameters"].items()) {
    const auto found = MatchDfParameters(parameters, name);
    if (found.size() != 1 || !value.is_string()) {
      ShowMessage("The parameter file " + path + " names " + name +
                  ", which the Dataflash description does not have as one parameter." +
                  kNothingWritten);
      return 1;
    }
    wanted.push_back({found.front(), value.get<std::string>()});
  }
  std::vector<const DfParameterInfo*> params;
  for (const DfChange& c : wanted)
    params.push_back(c.parameter);
  std::vector<std::string> now;
  if (ReadDfValues(params, now) != 0)
    return 1;
  std::vector<DfChange> changes;
  for (size_t i = 0; i < wanted.size(); ++i) {
    // Every value is checked, also those the gauge already holds.
    std::string problem;
    if (EncodeDfValue(*wanted[i].parameter, wanted[i].value, problem).empty()) {
      ShowMessage(problem + kNothingWritten);
      return 1;
    }
    if (now[i] != wanted[i].value)
      changes.push_back(wanted[i]);
  }
  changed = static_cast<int>(changes.size());
  if (changes.empty())
    return 0;
  // A file restores calibration constants as a backup does: the checks above stand for --force.
  return WriteDfValues(changes, true, backups);
}

}  // namespace gaugecal
