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
#include "platform/Platform.h"
#include "records/RecordStore.h"
#include "session/ReferenceBench.h"

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

// What a window hands its panels so that every calibration clicked there is on record: the
// store the window keeps open (nullptr when records are off, or when the store could not be
// opened: unavailable then names it and why, and calibrations are refused), who records, and
// every message box and warning the window has shown so far.
struct WindowRecords {
  records::RecordStore* store = nullptr;
  std::string unavailable;
  RecorderSetup setup;
  const std::vector<MessageRecord>* messages = nullptr;
  const std::vector<std::string>* warnings = nullptr;
};

// The help of the --records and --operator options, the same in every front end.
inline constexpr const char* kRecordsOptionHelp =
    "record store of the calibrations: an SQLite file, a postgresql:// URL or none (default "
    "$GAUGECAL_RECORDS, else $XDG_DATA_HOME/gaugecal/records.sqlite, else "
    "~/.local/share/gaugecal/records.sqlite; docs/records.md)";
inline constexpr const char* kOperatorOptionHelp =
    "who calibrates, for the records (default $GAUGECAL_OPERATOR, else the login name)";

// GAUGECAL_STATION, else the host name.
std::string StationName();
// The option when given, else GAUGECAL_OPERATOR, else the login name.
std::string OperatorName(const std::string& option);

class RunRecorder {
 public:
  // Records into a store of its own, or nothing when store is nullptr (--records none).
  RunRecorder(std::unique_ptr<records::RecordStore> store, RecorderSetup setup);
  // Records into a store that outlives the recorder (a window's, shared by its panels).
  RunRecorder(records::RecordStore* store, RecorderSetup setup);
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
  void BackupSaved(const std::string& path, bool calibrationArea);

  std::unique_ptr<records::RecordStore> owned_;
  records::RecordStore* store_ = nullptr;
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
