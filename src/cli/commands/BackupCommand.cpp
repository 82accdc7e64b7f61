// backup [--out FILE]: reads the calibration area and saves it to a backup file.
// restore FILE [--force]: writes a backup file's calibration area back, verified.

#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "calibration/BackupRestore.h"
#include "cli/Commands.h"
#include "cli/GaugeSetup.h"
#include "cli/Recording.h"
#include "config/CalConfig.h"
#include "device/ModuleState.h"

namespace gaugecal::cli {

namespace {

// written: the run wrote data flash, after saving what it held to the backups of this run.
void Report(CliContext& c, const std::string& what, const std::string& file, bool ok,
            bool written) {
  const ModuleState& m = Module();
  std::string backup;
  for (const SavedBackup& saved : m.backupsSaved) {
    if (written && saved.calibrationArea)
      backup = saved.path;
  }
  if (c.options.json) {
    nlohmann::ordered_json j;
    j["family"] = DfTypeName(m.calConfig.DFType);
    j["file"] = file;
    j["bytes"] = m.calAreaRead.image.size();
    if (!backup.empty())
      j["backup"] = backup;
    c.report.Result(std::move(j));
    return;
  }
  if (ok)
    c.out << what << " " << file << "\n";
  if (!backup.empty())
    c.out << "backup: " << backup << "\n";
}

struct BackupOptions {
  std::string out;
  bool force = false;
};

int RunBackup(CliContext& c, const BackupOptions& o) {
  std::string saved;
  const bool ok =
      SetUpGauge(c).configuration == 0 && BackUpCalibrationArea(o.out, saved, o.force) == 0;
  Report(c, "Calibration Dataflash saved to", saved, ok, false);
  return ok ? kExitOk : kExitFailed;
}

int RunRestore(CliContext& c, const std::string& file, bool force) {
  Recording recording;
  if (!recording.Start(c))
    return kExitFailed;
  const bool set = SetUpGauge(c).configuration == 0;
  // The record before the write; a set-up that failed attempts nothing and records nothing.
  if (set && !recording.Begin(c, "restore", nullptr, std::nullopt))
    return kExitFailed;
  const bool ok = set && RestoreCalibrationArea(file, force) == 0;
  if (set && !ok)
    HintIfSealed(c);
  Report(c, "Calibration Dataflash restored from", file, ok, true);
  recording.Complete(c, session::CalibrationOutcome(ok, true, recording.Wrote()), nullptr);
  return ok ? kExitOk : kExitFailed;
}

struct RestoreOptions {
  std::string file;
  bool force = false;
};

}  // namespace

void AddBackupCommands(CommandSet& commands) {
  auto b = std::make_shared<BackupOptions>();
  CLI::App& backup = commands.Add(
      "backup",
      "read the calibration Dataflash and save it to a backup file (by default a new file in "
      "the backup folder)",
      [b](CliContext& c) { return RunBackup(c, *b); });
  backup.add_option("--out", b->out, "the backup file to write")->type_name("FILE");
  backup.add_flag("--force", b->force, "overwrite the --out file when it exists");

  auto o = std::make_shared<RestoreOptions>();
  CLI::App& restore = commands.Add(
      "restore", "write a backup file's calibration Dataflash back into the gauge, verified",
      [o](CliContext& c) { return RunRestore(c, o->file, o->force); });
  restore.add_option("FILE", o->file, "the backup file")->required();
  restore.add_flag("--force", o->force,
                   "write it although the file's identification (firmware, build) differs from "
                   "the connected gauge's; another family, image length or a damaged file is "
                   "refused all the same");
}

}  // namespace gaugecal::cli
