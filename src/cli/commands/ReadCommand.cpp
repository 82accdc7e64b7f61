// read: identification, configuration, security mode, cell count, the calibration data flash
// of the family and its live values.

#include <nlohmann/json.hpp>

#include "calibration/Acquisition.h"
#include "cli/Commands.h"
#include "cli/GaugeSetup.h"
#include "cli/LiveValues.h"
#include "cli/TextRows.h"
#include "config/CalConfig.h"
#include "config/Settings.h"
#include "device/DataFlash.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"
#include "security/Authk18.h"

namespace gaugecal::cli {

namespace {

using nlohmann::ordered_json;

struct ReadResult {
  GaugeSetup setup;
  int32_t securityStatus = 1;
  int16_t securityMode = 0;
  int32_t cellStatus = 1;
  int32_t calStatus = 1;
  std::vector<LiveRow> calRows;
  std::string calGroup;
  bool liveOk = false;
  std::vector<LiveGroup> live;

  bool Ok() const {
    return setup.Ok() && securityStatus == 0 && cellStatus == 0 && calStatus == 0 && liveOk;
  }
};

// The rows the data flash grid shows: the third and fourth external sensors only where the
// gauge has them and the configuration places them.
void ReadCalibrationTable(ReadResult& r) {
  ModuleState& m = Module();
  ShowSensorRows();
  r.calStatus = ReadCalBuffer();
  TransferCalBufferToTable();
  const DisplayGroup& group = m.CalTable[static_cast<size_t>(CalGroupForFamily())];
  r.calGroup = group.name;
  for (const DisplayItem& item : group.items) {
    if (item.shown && !item.name.empty())
      r.calRows.push_back({item.name, item.value, item.unit});
  }
}

ordered_json RowsJson(const std::vector<LiveRow>& rows) {
  ordered_json out = ordered_json::array();
  for (const LiveRow& row : rows)
    out.push_back({{"name", row.name}, {"value", row.value}, {"unit", row.unit}});
  return out;
}

void PrintJson(CliContext& c, const ReadResult& r) {
  const ModuleState& m = Module();
  ordered_json j;
  j["identification"] = {{"IdDevice", m.IdDevice},
                         {"IdFirmware", m.IdFirmware},
                         {"IdBuild", m.IdBuild},
                         {"IdExtra", m.IdExtra},
                         {"status", r.setup.identification}};
  j["communication"] = r.setup.communication;
  j["configuration"] = r.setup.configuration;
  if (r.setup.ConfigurationPassed()) {
    j["family"] = DfTypeName(m.calConfig.DFType);
    j["securityMode"] = {{"status", r.securityStatus},
                         {"mode", r.securityMode},
                         {"text", security::SecurityModeText(r.securityMode)}};
    j["cells"] = {{"status", r.cellStatus}, {"count", m.CellCount}};
    j["calibration"] = {
        {"status", r.calStatus}, {"group", r.calGroup}, {"rows", RowsJson(r.calRows)}};
    ordered_json live = ordered_json::array();
    for (const LiveGroup& g : r.live)
      live.push_back({{"group", g.name}, {"rows", RowsJson(g.rows)}});
    j["live"] = {{"ok", r.liveOk}, {"groups", live}};
  }
  c.report.Result(std::move(j));
}

void PrintRows(CliContext& c, const std::vector<LiveRow>& rows) {
  for (const LiveRow& row : rows)
    c.out << ValueRow("    ", row.name, 24, row.value, 14, row.unit);
}

void PrintText(CliContext& c, const ReadResult& r) {
  const ModuleState& m = Module();
  c.out << "Identification: device " << m.IdDevice << ", firmware " << m.IdFirmware << ", build "
        << m.IdBuild << ", extra " << m.IdExtra << "\n";
  if (r.setup.configuration != 0) {
    c.out << "Configuration:  not found for this gauge\n";
    return;
  }
  if (!r.setup.ConfigurationPassed()) {
    c.out << "Configuration:  the check gave messages or warnings; nothing more was read\n";
    return;
  }
  c.out << "Configuration:  " << DfTypeName(m.calConfig.DFType) << "\n";
  c.out << "Security mode:  "
        << (r.securityStatus == 0 ? security::SecurityModeText(r.securityMode) : "not read")
        << "\n";
  c.out << "Cells:          " << m.CellCount << (r.cellStatus == 0 ? "" : " (not valid)") << "\n";
  c.out << "Calibration data flash: " << r.calGroup
        << (r.calStatus == 0 ? "" : " (read failed; values may be stale)") << "\n";
  PrintRows(c, r.calRows);
  c.out << "Live values:" << (r.liveOk ? "" : " (some reads failed)") << "\n";
  for (const LiveGroup& g : r.live) {
    c.out << "  " << g.name << "\n";
    PrintRows(c, g.rows);
  }
}

int RunRead(CliContext& c) {
  ReadResult r;
  r.setup = SetUpGauge(c);
  if (r.setup.ConfigurationPassed()) {
    r.securityStatus = ReadSecurityMode(r.securityMode);
    r.cellStatus = ReadCellCount(Module().CellCount);
    ReadCalibrationTable(r);
    r.liveOk = ReadLiveGroups(r.live);
  }
  if (c.options.json) {
    PrintJson(c, r);
  } else {
    PrintText(c, r);
  }
  return r.Ok() ? kExitOk : kExitFailed;
}

}  // namespace

void AddReadCommand(CommandSet& commands) {
  commands.Add("read",
               "read identification, configuration, security mode, cell count, calibration data "
               "flash and live values",
               RunRead);
}

}  // namespace gaugecal::cli
