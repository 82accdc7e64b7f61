#pragma once
// Where calibration records go: one small interface over an SQLite file (one station) and a
// PostgreSQL database (a line of stations), with one versioned schema, created and migrated
// on first use. Nothing here throws; a failure returns false with a text naming the store.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/Record.h"

namespace gaugecal::records {

class RecordStore {
 public:
  virtual ~RecordStore() = default;

  // Stores a new record as it stands (a run's record before its first data flash write,
  // outcome "interrupted").
  virtual bool Begin(const Record& record, std::string& error) = 0;
  // Writes every field of the stored record with this id anew: the backup once it is saved,
  // the outcome and the rest at the end.
  virtual bool Complete(const Record& record, std::string& error) = 0;
  // The newest record of the gauge with this serial and identification, when it is still
  // "interrupted": a later record of the gauge, whatever its outcome, ends the warning.
  virtual bool FindInterrupted(std::optional<int> serial, const Identification& identification,
                               std::optional<Record>& found, std::string& error) = 0;
  // The records that pass the filter, newest first.
  virtual bool Query(const RecordFilter& filter, std::vector<Record>& out, std::string& error) = 0;

  // The store as its messages name it: the file, or the URL without its password.
  virtual std::string Name() const = 0;
};

// The schema version this build creates and migrates to.
int CurrentSchemaVersion();

// "none", a postgresql:// (or postgres://) URL, or a file path (an SQLite file, created with
// its folder when missing). nullptr with error for "none" too (error empty then).
std::unique_ptr<RecordStore> OpenRecordStore(const std::string& target, std::string& error);

// $XDG_DATA_HOME/gaugecal, else ~/.local/share/gaugecal; empty when neither is an absolute path.
std::string DataFolder();

// The target of a run: the option when given, else GAUGECAL_RECORDS, else
// $XDG_DATA_HOME/gaugecal/records.sqlite, else ~/.local/share/gaugecal/records.sqlite.
std::string RecordsTarget(const std::string& option);

}  // namespace gaugecal::records
