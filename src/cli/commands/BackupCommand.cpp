// backup [--out FILE]: reads the calibration area and saves it to a backup file.
// restore FILE [--force]: writes a backup file's calibration area back, verified.

#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "calibration/BackupRestore.h"
#include "cli/Commands.h"
#include "cli/GaugeSetup.h"
#include "config/CalConfig.h"
#include "device/ModuleState.h"

namespace gaugecal::cli {

namespace {

void Report(CliContext& c, const std::string& what, const std::string& file, bool ok) {
  const ModuleState& m = Module();
  if (c.options.json) {
    nlohmann::ordered_json j;
    j["family"] = DfTypeName(m.calConfig.DFType);
    j["file"] = file;
    j["bytes"] = m.calAreaRead.image.size();
    j["ok"] = ok;
    c.out << j.dump(2) << "\n";
  } else if (ok) {
    c.out << what << " " << file << "\n";
  }
}

int RunBackup(CliContext& c, const std::string& out) {
  std::string saved;
  const bool ok = SetUpGauge(c).configuration == 0 && BackUpCalibrationArea(out, saved) == 0;
  Report(c, "Calibration Dataflash saved to", saved, ok);
  return ok ? kExitOk : kExitFailed;
}

int RunRestore(CliContext& c, const std::string& file, bool force) {
  const bool ok = SetUpGauge(c).configuration == 0 && RestoreCalibrationArea(file, force) == 0;
  Report(c, "Calibration Dataflash restored from", file, ok);
  return ok ? kExitOk : kExitFailed;
}

struct RestoreOptions {
  std::string file;
  bool force = false;
};

}  // namespace

void AddBackupCommands(CommandSet& commands) {
  auto out = std::make_shared<std::string>();
  commands
      .Add("backup",
           "read the calibration Dataflash and save it to a backup file (by default a new file "
           "in the backup folder)",
           [out](CliContext& c) { return RunBackup(c, *out); })
      .add_option("--out", *out, "the backup file to write")
      ->type_name("FILE");

  auto o = std::make_shared<RestoreOptions>();
  CLI::App& restore = commands.Add(
      "restore", "write a backup file's calibration Dataflash back into the gauge, verified",
      [o](CliContext& c) { return RunRestore(c, o->file, o->force); });
  restore.add_option("FILE", o->file, "the backup file")->required();
  restore.add_flag("--force", o->force,
                   "write it although the file's family or identification differs from the "
                   "connected gauge");
}

}  // namespace gaugecal::cli
