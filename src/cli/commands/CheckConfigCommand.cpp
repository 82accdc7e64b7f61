// check-config: runs the configuration check of panel start-up against the connected gauge and
// shows what it found and read: the config.ini sections, the data flash description, every
// CalConfig field, the system configuration address and the calibration rows that the
// location keys moved.

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "cli/Commands.h"
#include "cli/GaugeSetup.h"
#include "config/DataFlashMap.h"
#include "config/DisplayTables.h"
#include "config/Settings.h"
#include "device/Identification.h"
#include "device/ModuleState.h"
#include "dfdesc/DfReader.h"

namespace gaugecal::cli {

namespace {

using Json = nlohmann::ordered_json;

// An address not known yet is null.
Json AddressJson(const std::optional<int16_t>& address) {
  return address ? Json(*address) : Json(nullptr);
}

// Every CalConfig field in record order, with its value.
std::vector<std::pair<std::string, Json>> CalConfigFields(const CalConfig& c) {
  return {{"calmode", c.calmode},
          {"exitCalCommand", c.exitCalCommand},
          {"outputCalValuesCommand", c.outputCalValuesCommand},
          {"outputCalValuesforOffsetCommand", c.outputCalValuesforOffsetCommand},
          {"CEDVPLUSCALFLAG", c.CEDVPLUSCALFLAG},
          {"CEDVPLUSCALFLAGBITPOS", c.CEDVPLUSCALFLAGBITPOS},
          {"NumSamples", c.NumSamples},
          {"KVMAC", c.KVMAC},
          {"IntTSSupported", c.IntTSSupported},
          {"TS1Supported", c.TS1Supported},
          {"TS2Supported", c.TS2Supported},
          {"TS3Supported", c.TS3Supported},
          {"TS4Supported", c.TS4Supported},
          {"BatteryVSupported", c.BatteryVSupported},
          {"PackVSupported", c.PackVSupported},
          {"ReadAltCellVoltages", c.ReadAltCellVoltages},
          {"RawCalDataBlockSize", c.RawCalDataBlockSize},
          {"UseLegacyrn44k18CalCommands", c.UseLegacyrn44k18CalCommands},
          {"UseCellScaleDFforCorrection", c.UseCellScaleDFforCorrection},
          {"UseDataflashMap", c.UseDataflashMap},
          {"DFType", DfTypeName(c.DFType)},
          {"CCOffsetSampleLocation", c.CCOffsetSampleLocation},
          {"rn44k18SystemConfigLocation", c.rn44k18SystemConfigLocation},
          {"TS1readTemperature", c.TS1readTemperature},
          {"TS2readTemperature", c.TS2readTemperature},
          {"PackVoltageReadCommand", c.PackVoltageReadCommand},
          {"SystemConfigAddress", AddressJson(c.SystemConfigAddress)}};
}

// Rows of CalTable group 0 whose position or shown flag differ from the freshly built table.
Json ChangedRows(const DisplayGroup& before, const DisplayGroup& after) {
  Json rows = Json::array();
  for (size_t i = 0; i < after.items.size(); ++i) {
    const DisplayItem& a = after.items[i];
    const DisplayItem& b = before.items[i];
    if (a.position == b.position && a.shown == b.shown)
      continue;
    rows.push_back({{"name", a.name},
                    {"key", a.key},
                    {"position", a.position},
                    {"shown", a.shown},
                    {"defaultPosition", b.position},
                    {"defaultShown", b.shown}});
  }
  return rows;
}

// Why the description named by the target would not load, or empty.
std::string DescriptionProblem() {
  if (Module().DataFlashFilePath != "NG")
    return {};
  const std::string name = DescriptionFileName(TargetFileName());
  InitCfgReader();
  dfdesc::LoadCfgFile((Module().appDirectory + name).c_str());
  std::string reason = dfdesc::LastLoadError();
  dfdesc::UnloadCfgFile();
  return reason;
}

std::string ValueText(const Json& v) {
  if (v.is_null())
    return "not known";
  if (v.is_string())
    return v.get<std::string>();
  if (v.is_boolean())
    return v.get<bool>() ? "yes" : "no";
  if (v.is_number_integer()) {
    const auto n = v.get<int32_t>();
    char hex[16];
    std::snprintf(hex, sizeof hex, " (0x%04X)", static_cast<unsigned>(n) & 0xFFFFU);
    return std::to_string(n) + (n < 0 || n > 9 ? hex : "");
  }
  return v.dump();
}

void PrintText(std::ostream& out, const Json& j, bool ok) {
  const auto line = [&out](const std::string& label, const std::string& value) {
    std::string head = label + ":";
    head.resize(std::max<size_t>(head.size() + 1, 23), ' ');
    out << (value.empty() ? label + ":" : head + value) << "\n";
  };
  const Json& id = j["identification"];
  line("Application directory", j["appDirectory"].get<std::string>());
  line("Identification",
       id["IdDevice"].get<std::string>() + " " + id["IdFirmware"].get<std::string>() + " " +
           id["IdBuild"].get<std::string>() + " " + id["IdExtra"].get<std::string>());
  std::string sections;
  for (const Json& s : j["sections"])
    sections += (sections.empty() ? "" : ", ") + s.get<std::string>();
  line("Sections found", sections.empty() ? "none" : sections);
  line("Target file", j["targetFile"].get<std::string>());
  line("DataFlashFilePath", j["DataFlashFilePath"].get<std::string>());
  if (j.contains("descriptionError"))
    line("Description error", j["descriptionError"].get<std::string>());
  out << "CalConfig:\n";
  for (const auto& [name, value] : j["calConfig"].items()) {
    std::string head = "  " + name;
    head.resize(std::max<size_t>(head.size() + 1, 36), ' ');
    const std::string text = ValueText(value);
    out << (text.empty() ? "  " + name : head + text) << "\n";
  }
  const Json& address = j["SystemConfigAddress"];
  line("SystemConfigAddress", address.is_null() ? "not known" : std::to_string(address.get<int>()));
  out << "Calibration rows moved by location keys:";
  if (j["changedRows"].empty())
    out << " none";
  out << "\n";
  for (const Json& r : j["changedRows"]) {
    out << "  " << r["name"].get<std::string>() << " (" << r["key"].get<std::string>()
        << "): position " << r["defaultPosition"].get<std::string>() << " -> "
        << r["position"].get<std::string>() << ", shown "
        << (r["defaultShown"].get<bool>() ? "yes" : "no") << " -> "
        << (r["shown"].get<bool>() ? "yes" : "no") << "\n";
  }
  line("Status", ok ? "ok" : "failed");
}

int RunCheckConfig(CliContext& c) {
  ModuleState& m = Module();
  m.appDirectory = c.appDir;
  const int64_t noticesBefore = NoticesSoFar(c);
  int32_t identificationStatus = 0;
  ReadDeviceIdentification(m.SmbAddress, identificationStatus);
  InitDisplayTables();
  const DisplayGroup freshRows = m.CalTable[kCalGroupRn44k18];
  const int32_t status = CheckConfiguration();

  Json j;
  j["appDirectory"] = m.appDirectory;
  j["identification"] = {{"IdDevice", m.IdDevice},
                         {"IdFirmware", m.IdFirmware},
                         {"IdBuild", m.IdBuild},
                         {"IdExtra", m.IdExtra},
                         {"status", identificationStatus}};
  // Counted before the report's own look-ups, which repeat warnings already given.
  const int64_t notices = NoticesSoFar(c) - noticesBefore;
  j["sections"] = m.configSections;
  j["targetFile"] = TargetFileName();
  j["DataFlashFilePath"] = m.DataFlashFilePath;
  if (const std::string problem = DescriptionProblem(); !problem.empty())
    j["descriptionError"] = problem;
  j["calConfig"] = Json::object();
  for (const auto& [name, value] : CalConfigFields(m.calConfig))
    j["calConfig"][name] = value;
  j["SystemConfigAddress"] = AddressJson(m.calConfig.SystemConfigAddress);
  j["changedRows"] = ChangedRows(freshRows, m.CalTable[kCalGroupRn44k18]);
  j["status"] = status;
  // Any message or warning told the technician not to go on: the check failed.
  const bool ok = status == 0 && notices == 0;

  if (c.options.json)
    c.report.Result(std::move(j));
  else
    PrintText(c.out, j, ok);
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

void AddCheckConfigCommand(CommandSet& commands) {
  commands.Add("check-config",
               "read the identification and check config.ini, Morvane.ini and the data flash "
               "description",
               RunCheckConfig);
}

}  // namespace gaugecal::cli
