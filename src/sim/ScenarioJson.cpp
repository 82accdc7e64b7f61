#include "sim/ScenarioJson.h"

#include <filesystem>
#include <nlohmann/json.hpp>

#include "device/HexText.h"
#include "device/ManufactureDate.h"
#include "platform/BoundedFile.h"
#include "platform/Printable.h"
#include "sim/FlashLayout.h"
#include "sim/JsonFields.h"

namespace gaugecal::sim {

namespace {

using nlohmann::json;

constexpr double kMaxGainError = 0.2;
constexpr double kMaxOffsetCounts = 2000.0;

// A relative persistence file lives in the scenario file's folder.
std::string BesideScenario(const std::string& file, const std::string& baseDir) {
  const std::filesystem::path p(file);
  return p.is_absolute() || baseDir.empty() ? file : (std::filesystem::path(baseDir) / p).string();
}

bool ReadPack(JsonFields& f, Scenario& s) {
  f.IntegerInto("cells", s.cells, 2, 4);
  f.Numbers("cellMv", s.cellMv, 0.0, 20000.0);
  if (f.Has("packMv")) {
    double pack = 0.0;
    f.Number("packMv", pack, 0.0, 40000.0);
    s.packMv = pack;
  }
  f.Number("currentMa", s.currentMa, -15000.0, 15000.0);
  f.Number("currentDriftMaPerS", s.currentDriftMaPerS, -1000.0, 1000.0);
  f.Numbers("temperatureC", s.temperatureC, -40.0, 125.0);
  f.Number("stateOfCharge", s.stateOfCharge, 0.0, 255.0);
  f.Number("remainingMah", s.remainingMah, 0.0, 65535.0);
  f.Number("senseResistorMilliohm", s.senseResistorMilliohm, 0.5, 50.0);
  return f.Ok();
}

bool ReadConverter(JsonFields& top, Scenario& s, const std::string& source, std::string& error) {
  if (!top.Has("converter"))
    return top.Ok();
  JsonFields f(top.At("converter"), source, "converter", error);
  f.OnlyKeys({"cellGainError", "cellOffsetCounts", "batteryGainError", "batteryOffsetCounts",
              "packGainError", "packOffsetCounts", "temperatureErrorC", "ccOffsetCounts",
              "boardOffsetCounts", "noiseCounts"});
  std::array<double, 4> gains{}, offsets{};
  for (size_t i = 0; i < 4; ++i) {
    gains[i] = s.cellError[i].gainError;
    offsets[i] = s.cellError[i].offsetCounts;
  }
  f.Numbers("cellGainError", gains, -kMaxGainError, kMaxGainError);
  f.Numbers("cellOffsetCounts", offsets, -kMaxOffsetCounts, kMaxOffsetCounts);
  for (size_t i = 0; i < 4; ++i)
    s.cellError[i] = {gains[i], offsets[i]};
  f.Number("batteryGainError", s.batteryError.gainError, -kMaxGainError, kMaxGainError);
  f.Number("batteryOffsetCounts", s.batteryError.offsetCounts, -kMaxOffsetCounts, kMaxOffsetCounts);
  f.Number("packGainError", s.packError.gainError, -kMaxGainError, kMaxGainError);
  f.Number("packOffsetCounts", s.packError.offsetCounts, -kMaxOffsetCounts, kMaxOffsetCounts);
  f.Numbers("temperatureErrorC", s.temperatureErrorC, -20.0, 20.0);
  f.Number("ccOffsetCounts", s.ccOffsetCounts, -kMaxOffsetCounts, kMaxOffsetCounts);
  f.Number("boardOffsetCounts", s.boardOffsetCounts, -kMaxOffsetCounts, kMaxOffsetCounts);
  f.Number("noiseCounts", s.noiseCounts, 0.0, 1000.0);
  return f.Ok();
}

bool ReadIdentity(JsonFields& f, Scenario& s) {
  f.IntegerInto("address", s.address, 0, 127);
  std::string id;
  if (f.Text("identification", id) && f.Has("identification")) {
    std::vector<uint8_t> bytes;
    if (!ParseHexBytes(id, bytes) || bytes.empty() || bytes.size() > 32)
      return f.Fail("identification", "must be 1 to 32 bytes of hexadecimal text");
    s.identification = bytes;
  }
  f.IntegerInto("seed", s.seed, 0, int64_t{1} << 53);
  f.IntegerInto("serialNumber", s.serialNumber, 0, 65535);
  std::string date;
  if (f.Text("manufactureDate", date) && f.Has("manufactureDate")) {
    const std::optional<uint16_t> packed = ParseManufactureDate(date);
    if (!packed)
      return f.Fail("manufactureDate", "must be a day from 1980-01-01 to 2107-12-31 as YYYY-MM-DD");
    s.manufactureDate = *packed;
  }
  return f.Ok();
}

// What the standard commands answer beyond the pack and its data flash.
bool ReadStandardCommands(JsonFields& f, Scenario& s) {
  f.IntegerInto("batteryMode", s.batteryMode, 0, 65535);
  f.Number("fullChargeMah", s.fullChargeMah, 0.0, 65535.0);
  for (auto [key, text] :
       {std::pair{"manufacturerName", &s.manufacturerName}, std::pair{"deviceName", &s.deviceName},
        std::pair{"deviceChemistry", &s.deviceChemistry}}) {
    if (f.Text(key, *text) && text->size() > 32)
      return f.Fail(key, "must be at most 32 characters (one SMBus block)");
  }
  return f.Ok();
}

bool ReadDataFlash(JsonFields& f, Scenario& s, const std::string& baseDir) {
  f.Bool("rowLayout", s.rowLayout);
  const FlashLayout& layout = LayoutOf(s.family, s.rowLayout);
  std::string image;
  if (f.Text("dataFlash", image) && f.Has("dataFlash")) {
    std::vector<uint8_t> bytes;
    if (!ParseHexBytes(image, bytes) || bytes.size() > layout.size) {
      return f.Fail("dataFlash", "must be hexadecimal text of at most " +
                                     std::to_string(layout.size) + " bytes");
    }
    s.dataFlash = bytes;
  }
  if (f.Ok() && f.Has("parameters")) {
    const json& params = f.At("parameters");
    if (!params.is_object())
      return f.Fail("parameters", "must be an object of parameter names and numbers");
    for (const auto& item : params.items()) {
      const std::string key = "parameters." + item.key();
      if (!layout.Find(item.key()))
        return f.Fail(key, std::string("the ") + DfTypeName(s.family) +
                               " gauge has no such data flash parameter");
      // Out of the type's range is an error, not a value the gauge would store clipped.
      const auto [lo, hi] = TypeRange(layout.Find(item.key())->type);
      if (!item.value().is_number() || !(item.value().get<double>() >= lo) ||
          !(item.value().get<double>() <= hi))
        return f.Fail(key, "must be a number " + RangeText(lo, hi));
      s.parameters.emplace_back(item.key(), item.value().get<double>());
    }
  }
  std::string file;
  if (f.Text("dataFlashFile", file) && !file.empty())
    s.dataFlashFile = BesideScenario(file, baseDir);
  return f.Ok();
}

bool ReadSecurity(JsonFields& f, Scenario& s) {
  std::string mode;
  if (f.Text("security", mode) && f.Has("security")) {
    const std::optional<SecurityMode> parsed = ParseSecurityMode(mode);
    if (!parsed)
      return f.Fail("security", "must be \"Sealed\", \"Unsealed\" or \"FullAccess\"");
    s.security = *parsed;
  }
  std::string key;
  if (f.Text("key", key) && f.Has("key") && !ParseKey(key, s.key))
    return f.Fail("key", "must be 32 hexadecimal digits (16 bytes, most significant first)");
  f.Bool("calibrationMode", s.calibrationMode);
  return f.Ok();
}

bool ReadMac(JsonFields& top, Scenario& s, const std::string& source, std::string& error) {
  if (!top.Has("manufacturerAccess"))
    return top.Ok();
  JsonFields f(top.At("manufacturerAccess"), source, "manufacturerAccess", error);
  f.OnlyKeys(
      {"register", "calMode", "exit", "rawOutput", "offsetOutput", "calFlagCommand", "calFlagBit"});
  MacCommands& m = s.mac;
  f.IntegerInto("register", m.accessRegister, 0, 255);
  // Subcommands may also be given as config.ini gives them: signed, -3968 for 0xF080.
  f.IntegerInto("calMode", m.calMode, -32768, 0xFFFF);
  f.IntegerInto("exit", m.exit, -32768, 0xFFFF);
  f.IntegerInto("rawOutput", m.rawOutput, -32768, 0xFFFF);
  f.IntegerInto("offsetOutput", m.offsetOutput, -32768, 0xFFFF);
  f.IntegerInto("calFlagCommand", m.calFlagCommand, 0, 255);
  f.IntegerInto("calFlagBit", m.calFlagBit, 0, 15);
  return f.Ok();
}

struct KindName {
  const char* name;
  FaultKind kind;
  int defaultOccurrence;  // 0: every matching transfer
};

constexpr KindName kKinds[] = {
    {"noAnswer", FaultKind::NoAnswer, 0},
    {"nack", FaultKind::Nack, 1},
    {"shortBlock", FaultKind::ShortBlock, 1},
    {"longBlock", FaultKind::LongBlock, 1},
    {"counterStops", FaultKind::CounterStops, 0},
    {"corruptWrite", FaultKind::CorruptWrite, 1},
    {"wrongDigest", FaultKind::WrongDigest, 0},
    {"msbFirstDigest", FaultKind::MsbFirstDigest, 0},
    {"errorStatus", FaultKind::ErrorStatus, 1},
    {"busyForever", FaultKind::BusyForever, 1},
    {"arbitrationLost", FaultKind::ArbitrationLost, 1},
    {"readIncomplete", FaultKind::ReadIncomplete, 1},
    {"pecMismatch", FaultKind::PecMismatch, 1},
    {"unplugged", FaultKind::Unplugged, 1},
};

constexpr const char* kMembers[] = {"ReadSMBusWord",   "ReadSMBusWord_",  "WriteSMBusWord",
                                    "WriteSMBusWord_", "ReadSMBusBlock_", "ReadSMBusBlock",
                                    "WriteSMBusBlock", "CheckForError",   "Delay"};

bool ReadFault(const json& j, const std::string& source, const std::string& path,
               std::string& error, Fault& fault) {
  JsonFields f(j, source, path, error);
  f.OnlyKeys(
      {"kind", "member", "command", "occurrence", "count", "bytes", "offset", "xor", "afterMs"});
  std::string kind;
  if (!f.Text("kind", kind))
    return false;
  const KindName* found = nullptr;
  for (const KindName& k : kKinds) {
    if (kind == k.name)
      found = &k;
  }
  if (!found) {
    return f.Fail("kind",
                  "must be one of noAnswer, nack, shortBlock, longBlock, counterStops, "
                  "corruptWrite, wrongDigest, msbFirstDigest, errorStatus, busyForever, "
                  "arbitrationLost, readIncomplete, pecMismatch, unplugged");
  }
  fault.kind = found->kind;
  fault.occurrence = found->defaultOccurrence;
  if (f.Text("member", fault.member) && !fault.member.empty()) {
    const bool known = std::any_of(std::begin(kMembers), std::end(kMembers),
                                   [&fault](const char* m) { return fault.member == m; });
    if (!known)
      return f.Fail("member", "must name a host-link member, such as \"WriteSMBusBlock\"");
  }
  if (f.Has("command")) {
    int command = 0;
    if (f.IntegerInto("command", command, 0, 255))
      fault.command = command;
  }
  f.IntegerInto("occurrence", fault.occurrence, 0, 1000000);
  f.IntegerInto("count", fault.count, 1, 1000000);
  f.IntegerInto("bytes", fault.bytes, fault.kind == FaultKind::ReadIncomplete ? 0 : 1, 255);
  f.IntegerInto("offset", fault.offset, 0, 255);
  f.IntegerInto("xor", fault.xorMask, 1, 255);
  f.Number("afterMs", fault.afterMs, 0.0, 1e9);
  return f.Ok();
}

bool ReadFaults(JsonFields& top, Scenario& s, const std::string& source, std::string& error) {
  if (!top.Ok() || !top.Has("faults"))
    return top.Ok();
  const json& list = top.At("faults");
  if (!list.is_array())
    return top.Fail("faults", "must be an array of fault objects");
  for (size_t i = 0; i < list.size(); ++i) {
    Fault fault;
    if (!ReadFault(list[i], source, "faults[" + std::to_string(i) + "]", error, fault))
      return false;
    s.faults.push_back(fault);
  }
  return true;
}

}  // namespace

const char* FaultKindName(FaultKind kind) {
  for (const KindName& k : kKinds) {
    if (k.kind == kind)
      return k.name;
  }
  return "unknown";
}

std::optional<Scenario> ParseScenario(const std::string& text, const std::string& source,
                                      std::optional<DfType> adapterFamily,
                                      const std::string& baseDir, std::string& error) {
  error.clear();
  json j;
  try {
    j = json::parse(text);
  } catch (const json::exception& e) {
    error = source + ": not valid JSON (" + e.what() + ")";
    return std::nullopt;
  }
  JsonFields f(j, source, "", error);
  f.OnlyKeys({"family",
              "address",
              "identification",
              "cells",
              "cellMv",
              "packMv",
              "currentMa",
              "currentDriftMaPerS",
              "temperatureC",
              "stateOfCharge",
              "senseResistorMilliohm",
              "remainingMah",
              "rowLayout",
              "converter",
              "seed",
              "serialNumber",
              "manufactureDate",
              "batteryMode",
              "fullChargeMah",
              "manufacturerName",
              "deviceName",
              "deviceChemistry",
              "dataFlash",
              "parameters",
              "dataFlashFile",
              "security",
              "key",
              "manufacturerAccess",
              "calibrationMode",
              "faults"});
  std::string familyName;
  if (!f.Text("family", familyName))
    return std::nullopt;
  std::optional<DfType> family = adapterFamily;
  if (f.Has("family")) {
    family = ParseFamily(familyName);
    if (!family) {
      f.Fail("family", "unknown family \"" + Printable(familyName) +
                           "\" (known: CEDV, QSPAN, RN44K18, CEDV_PLUS)");
      return std::nullopt;
    }
    if (adapterFamily && *family != *adapterFamily) {
      f.Fail("family", "the scenario is a " + familyName +
                           " gauge but the adapter is sim:" + DfTypeName(*adapterFamily));
      return std::nullopt;
    }
  }
  if (!family) {
    f.Fail("family", "missing: name the gauge family");
    return std::nullopt;
  }
  Scenario s = DefaultScenario(*family);
  for (const char* key : {"cells", "dataFlash", "parameters"}) {
    if (f.Has(key))
      s.imageKeys.push_back(key);
  }
  const bool ok = ReadIdentity(f, s) && ReadStandardCommands(f, s) && ReadPack(f, s) &&
                  ReadConverter(f, s, source, error) && ReadDataFlash(f, s, baseDir) &&
                  ReadSecurity(f, s) && ReadMac(f, s, source, error) &&
                  ReadFaults(f, s, source, error);
  if (!ok)
    return std::nullopt;
  return s;
}

std::optional<Scenario> LoadScenarioFile(const std::string& path,
                                         std::optional<DfType> adapterFamily, std::string& error) {
  std::string text, problem;
  if (!ReadBoundedFile(path, kMaxScenarioBytes, text, problem)) {
    error = path + ": the scenario file " + problem;
    return std::nullopt;
  }
  const std::string dir = std::filesystem::path(path).parent_path().string();
  return ParseScenario(text, path, adapterFamily, dir, error);
}

std::string ScenarioDataFlashFile(const std::string& path) {
  std::string text, problem;
  if (!ReadBoundedFile(path, kMaxScenarioBytes, text, problem))
    return {};
  const json j = json::parse(text, nullptr, false);
  const auto file = j.is_object() ? j.find("dataFlashFile") : j.end();
  if (file == j.end() || !file->is_string() || file->get<std::string>().empty())
    return {};
  return BesideScenario(file->get<std::string>(),
                        std::filesystem::path(path).parent_path().string());
}

}  // namespace gaugecal::sim
