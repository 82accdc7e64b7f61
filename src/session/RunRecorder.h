#pragma once
// The records of a front end's calibrations: the store opened for the run, the gauge's serial
// and manufacture date read for them, the warning about an earlier run of the same gauge that
// was interrupted, and one record per action, begun before its first data flash write and
// completed at its end (docs/records.md).

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration/CalibrationRun.h"
#include "panel/CalibrationCheck.h"
#include "records/RecordStore.h"
#include "session/Station.h"

namespace gaugecal::panel {
class NBCal;
}

namespace gaugecal::session {

struct RecorderSetup {
  std::string target;        // as RecordsTarget resolves it; "none": nothing is recorded
  std::string station;       // the station's name
  std::string operatorName;  // who runs the bench
  std::string toolVersion;
  std::string adapter;
};

// GAUGECAL_STATION, else the host name.
std::string StationName();
// The option when given, else GAUGECAL_OPERATOR, else the login name.
std::string OperatorName(const std::string& option);

class RunRecorder {
 public:
  // nullptr with error when the store cannot be opened; a recorder that records nothing for
  // "none".
  static std::unique_ptr<RunRecorder> Open(const RecorderSetup& setup, std::string& error);
  ~RunRecorder();
  RunRecorder(const RunRecorder&) = delete;
  RunRecorder& operator=(const RunRecorder&) = delete;

  bool Active() const { return store_ != nullptr; }
  std::string StoreName() const { return store_ ? store_->Name() : "none"; }

  // Before anything else of the run: reads the identification (block 0x2F, as the panel
  // does), the serial (0x1C) and the manufacture date (0x1B) through the module's host link,
  // and looks for an interrupted record of this gauge. warning receives its text, or stays
  // empty. False with error when the store cannot be read.
  bool LookUp(std::string& warning, std::string& error);

  // The action's record, "interrupted", stored now: the identification as the module holds it,
  // the references in the panel's boxes (those the station measured with their instrument),
  // its calibration table and, for a calibration, the quantities it calibrates as found (read
  // now against the references in the boxes). From here on, a backup of the calibration area
  // saved before a write goes into the record at once. False with error: nothing may be
  // written to the gauge.
  bool Begin(const std::string& action, panel::NBCal* panel,
             std::optional<CalibrationAction> calibration, std::string& error);
  // A reference the station measured into a box, for the record begun next.
  void Measured(const std::string& name, const MeasuredReference& measured);
  // The outcome ("pass", "fail", "refused", "interrupted") and what the run showed since
  // Begin. False with error when the store could not be written; the record then stays
  // "interrupted".
  bool Complete(const std::string& outcome, const panel::NBCal* panel,
                const nlohmann::ordered_json& check, const std::vector<std::string>& messages,
                const std::vector<std::string>& warnings, std::string& error);
  bool Begun() const { return begun_; }
  // Whether the action begun last saved a backup before a data flash write: a run that did
  // not wrote nothing.
  bool Wrote() const;
  const records::Record& Current() const { return record_; }

 private:
  RunRecorder(std::unique_ptr<records::RecordStore> store, RecorderSetup setup);
  void BackupSaved(const std::string& path, bool calibrationArea);

  std::unique_ptr<records::RecordStore> store_;
  RecorderSetup setup_;
  std::optional<int> serial_;
  std::string manufactureDate_;
  std::map<std::string, MeasuredReference> measured_;
  records::Record record_;
  bool begun_ = false;
  size_t backupsAtBegin_ = 0;
};

// The check after calibration as records and `calibrate --json` show it.
nlohmann::ordered_json CheckJson(const std::vector<panel::CheckedQuantity>& check);

// pass: done and every check within its target; refused: nothing was written; fail otherwise.
std::string CalibrationOutcome(bool done, bool within, bool wrote);

}  // namespace gaugecal::session
