// raw [--offset]: puts the gauge into raw calibration mode as its family requires, averages
// NumSamples raw calibration blocks, prints the raw value rows and leaves calibration mode.

#include <memory>
#include <nlohmann/json.hpp>

#include "calibration/Acquisition.h"
#include "cli/Commands.h"
#include "cli/GaugeSetup.h"
#include "cli/Progress.h"
#include "cli/TextRows.h"
#include "config/CalConfig.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"

namespace gaugecal::cli {

namespace {

bool RowAddressed(DfType family) {
  return family == DfType::RN44K18 || family == DfType::CEDV_PLUS;
}

// Calibration mode for the row-addressed gauges; a verified raw stream of the wanted kind for
// the others, which have no mode switch. False after a message.
bool EnterRawMode(bool offset) {
  const ModuleState& m = Module();
  if (RowAddressed(m.calConfig.DFType)) {
    EnsureCalMode();
    if (!m.calModeFlag) {
      ShowMessage("Unable to request device to output cal values.");
      return false;
    }
    return true;
  }
  if (offset) {
    if (StartOffsetCalOutput() != 0) {
      ShowMessage(
          "Attempt to enter Raw Coulomb Counter Offset Cal failed. Calibration not performed.");
      return false;
    }
    return true;
  }
  if (StartRawCalOutput() != 0) {
    ShowMessage("Could not enter Raw CEDV Calibration Mode. This calibration was not performed.");
    return false;
  }
  return true;
}

// Raw calibration values are converter counts, whatever unit the display table gives the row
// ("mV" on the cell rows): printed as counts so nobody reads 12586 as millivolts.
std::string RawUnit(const DisplayItem& item) {
  return item.unit == "mV" ? "counts" : item.unit;
}

void PrintRows(CliContext& c, bool offset, bool ok) {
  const ModuleState& m = Module();
  const DisplayGroup& group = m.LiveTable[kLiveRawCal];
  if (c.options.json) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const DisplayItem& item : group.items) {
      if (!item.name.empty())
        rows.push_back({{"name", item.name}, {"value", item.value}, {"unit", RawUnit(item)}});
    }
    nlohmann::ordered_json j;
    j["family"] = DfTypeName(m.calConfig.DFType);
    j["offset"] = offset;
    j["samples"] = m.calConfig.NumSamples;
    j["rows"] = ok ? rows : nlohmann::ordered_json::array();
    c.report.Result(std::move(j));
    return;
  }
  if (!ok)
    return;
  c.out << group.name << " (" << (offset ? "offset" : "normal") << " output, average of "
        << m.calConfig.NumSamples << " blocks)\n";
  for (const DisplayItem& item : group.items) {
    if (!item.name.empty())
      c.out << ValueRow("  ", item.name, 20, item.value, 8, RawUnit(item));
  }
}

int RunRaw(CliContext& c, bool offset) {
  if (!SetUpGauge(c).ConfigurationPassed()) {
    PrintRows(c, offset, false);
    return kExitFailed;
  }

  bool ok = false;
  {
    ProgressLine progress(c, "Reading raw calibration values");
    if (CheckNumSamples() == 0 && EnterRawMode(offset)) {
      ok = AcquireRawCalValues(offset) == 0;
      if (!ok) {
        ShowMessage(
            "Unable to gather raw calibration values from device. Please check communications "
            "with device.");
      }
    }
    LeaveCalMode();
  }
  PrintRows(c, offset, ok);
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

void AddRawCommand(CommandSet& commands) {
  auto offset = std::make_shared<bool>(false);
  commands
      .Add("raw", "average raw calibration values in calibration mode",
           [offset](CliContext& c) { return RunRaw(c, *offset); })
      .add_flag("--offset", *offset,
                "average the coulomb counter offset output instead of the normal one");
}

}  // namespace gaugecal::cli
