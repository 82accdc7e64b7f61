#include "panel/DataFlashPane.h"

#include "calibration/DfExchange.h"
#include "calibration/DfParameters.h"

namespace gaugecal::panel {

bool DataFlashPane::Load() {
  params_.clear();
  values_.clear();
  edits_.clear();
  std::vector<DfParameterInfo> params;
  if (LoadDfParameterList(params) != 0)
    return false;
  std::vector<const DfParameterInfo*> all;
  for (const DfParameterInfo& p : params)
    all.push_back(&p);
  std::vector<std::string> values;
  if (ReadDfValues(all, values) != 0)
    return false;
  for (size_t i = 0; i < params.size(); ++i)
    values_[params[i].Path()] = values[i];
  params_ = std::move(params);
  return true;
}

std::vector<std::pair<std::string, std::vector<std::string>>> DataFlashPane::Tree() const {
  std::vector<std::pair<std::string, std::vector<std::string>>> tree;
  for (const DfParameterInfo& p : params_) {
    if (tree.empty() || tree.back().first != p.className)
      tree.push_back({p.className, {}});
    std::vector<std::string>& subs = tree.back().second;
    if (subs.empty() || subs.back() != p.subclassName)
      subs.push_back(p.subclassName);
  }
  return tree;
}

std::vector<DataFlashRow> DataFlashPane::Rows(const std::string& className,
                                              const std::string& subclassName) const {
  std::vector<DataFlashRow> rows;
  for (const DfParameterInfo& p : params_) {
    if (p.className != className || p.subclassName != subclassName)
      continue;
    DataFlashRow row;
    row.path = p.Path();
    row.name = p.name;
    const auto edit = edits_.find(row.path);
    row.edited = edit != edits_.end();
    row.value = row.edited ? edit->second : values_.at(row.path);
    row.unit = p.units == "-" ? std::string() : p.units;
    if (!p.minimum.empty() || !p.maximum.empty())
      row.range = p.minimum + " .. " + p.maximum;
    rows.push_back(std::move(row));
  }
  return rows;
}

const DfParameterInfo* DataFlashPane::Find(const std::string& path) const {
  for (const DfParameterInfo& p : params_) {
    if (p.Path() == path)
      return &p;
  }
  return nullptr;
}

std::string DataFlashPane::Edit(const std::string& path, const std::string& value) {
  const DfParameterInfo* p = Find(path);
  if (!p)
    return "The Dataflash description has no parameter " + path + ".";
  std::string problem;
  if (EncodeDfValue(*p, value, problem).empty())
    return problem;
  if (value == values_.at(path))
    edits_.erase(path);
  else
    edits_[path] = value;
  return {};
}

bool DataFlashPane::WriteChanges(std::map<std::string, std::string>& results) {
  std::vector<DfChange> changes;
  for (const auto& [path, value] : edits_)
    changes.push_back({Find(path), value});
  backups_.clear();
  const bool ok = changes.empty() || WriteDfValues(changes, false, backups_) == 0;
  for (const auto& [path, value] : edits_)
    results[path] = ok ? "written" : "not written";
  const std::vector<std::string> backups = backups_;
  const bool read = Load();  // what the gauge holds now; drops the edits
  backups_ = backups;
  return ok && read;
}

bool DataFlashPane::Export(const std::string& path) const {
  return ExportDfParameters(params_, path, true) == 0;
}

bool DataFlashPane::Import(const std::string& path, bool force, int& changed) {
  backups_.clear();
  const bool ok = ImportDfParameters(params_, path, force, changed, backups_) == 0;
  const std::vector<std::string> backups = backups_;
  const bool read = Load();
  backups_ = backups;
  return ok && read;
}

}  // namespace gaugecal::panel
