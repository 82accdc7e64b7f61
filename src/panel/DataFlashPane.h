#pragma once
// The "Data Flash" pane as a presentation model: the classes and subclasses of the gauge's
// data flash description as a tree, the parameters of the chosen subclass with value, unit and
// range, edits kept and marked until "Write changes" writes them all through the verified
// parameter write (backup, read-back, rollback), and export and import of the whole
// described data flash (calibration/DfParameters.h, calibration/DfExchange.h).

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "config/DfParameterList.h"

namespace gaugecal::panel {

struct DataFlashRow {
  std::string path;  // class/subclass/name
  std::string name;
  std::string value;  // the edit when there is one, else as read
  std::string unit;
  std::string range;  // "100 .. 32767", empty without one
  bool edited = false;
};

class DataFlashPane {
 public:
  // Loads the description of the connected gauge and reads every value; false after a
  // message.
  bool Load();
  bool Loaded() const { return !params_.empty(); }

  // The tree: each class with its subclasses, in description order.
  std::vector<std::pair<std::string, std::vector<std::string>>> Tree() const;
  std::vector<DataFlashRow> Rows(const std::string& className,
                                 const std::string& subclassName) const;

  // Keeps an edit after checking it against the description (type, range); the problem
  // otherwise, and nothing kept. An edit back to the value read drops the mark.
  std::string Edit(const std::string& path, const std::string& value);
  size_t Edits() const { return edits_.size(); }
  void DropEdits() { edits_.clear(); }

  // Writes every edit; the result per parameter ("written", or "not written"), then reads the
  // values again. True when all were written.
  bool WriteChanges(std::map<std::string, std::string>& results);
  const std::vector<std::string>& Backups() const { return backups_; }

  bool Export(const std::string& path) const;
  // Import, then the values read again; changed: how many parameters it wrote.
  bool Import(const std::string& path, bool force, int& changed);

 private:
  const DfParameterInfo* Find(const std::string& path) const;

  std::vector<DfParameterInfo> params_;
  std::map<std::string, std::string> values_;  // by path, as read
  std::map<std::string, std::string> edits_;   // by path
  std::vector<std::string> backups_;
};

}  // namespace gaugecal::panel
