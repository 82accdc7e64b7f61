#include "records/SqlStore.h"

#include <algorithm>

namespace gaugecal::records {

namespace {

constexpr const char* kColumns =
    "id, started, ended, station, operator, tool_version, adapter, family, id_device, "
    "id_firmware, id_build, id_extra, serial, manufacture_date, action, outcome, backup, body";
constexpr size_t kColumnCount = 18;

SqlParam Text(const std::string& text) {
  return {text, false};
}

SqlParam Serial(std::optional<int> serial) {
  if (!serial)
    return {std::nullopt, true};
  return {std::to_string(*serial), true};
}

// The record's columns in the order of kColumns.
std::vector<SqlParam> Columns(const Record& r) {
  return {Text(r.id),
          Text(r.started),
          Text(r.ended),
          Text(r.station),
          Text(r.operatorName),
          Text(r.toolVersion),
          Text(r.adapter),
          Text(r.family),
          Text(r.identification[0]),
          Text(r.identification[1]),
          Text(r.identification[2]),
          Text(r.identification[3]),
          Serial(r.serial),
          Text(r.manufactureDate),
          Text(r.action),
          Text(r.outcome),
          Text(r.backup),
          Text(BodyText(r))};
}

Record FromRow(const SqlRow& row) {
  const auto at = [&row](size_t i) { return i < row.size() && row[i] ? *row[i] : std::string(); };
  Record r;
  r.id = at(0);
  r.started = at(1);
  r.ended = at(2);
  r.station = at(3);
  r.operatorName = at(4);
  r.toolVersion = at(5);
  r.adapter = at(6);
  r.family = at(7);
  for (size_t i = 0; i < 4; ++i)
    r.identification[i] = at(8 + i);
  if (row.size() > 12 && row[12])
    r.serial = std::stoi(*row[12]);
  r.manufactureDate = at(13);
  r.action = at(14);
  r.outcome = at(15);
  r.backup = at(16);
  ReadBody(at(17), r);
  return r;
}

std::string Placeholders(size_t from, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i)
    text += (i == 0 ? "$" : ", $") + std::to_string(from + i);
  return text;
}

}  // namespace

const std::vector<std::vector<std::string>>& SqlStore::Migrations() {
  // Version 1: the records with their main fields as columns, the rest as JSON text.
  // Version 2: the manufacture date, and the index the interrupted-run lookup uses.
  static const std::vector<std::vector<std::string>> steps = {
      {"CREATE TABLE records (id TEXT PRIMARY KEY, started TEXT NOT NULL, ended TEXT NOT NULL "
       "DEFAULT '', station TEXT NOT NULL, operator TEXT NOT NULL, tool_version TEXT NOT NULL, "
       "adapter TEXT NOT NULL, family TEXT NOT NULL, id_device TEXT NOT NULL, id_firmware TEXT "
       "NOT NULL, id_build TEXT NOT NULL, id_extra TEXT NOT NULL, serial INTEGER, action TEXT "
       "NOT NULL, outcome TEXT NOT NULL, backup TEXT NOT NULL DEFAULT '', body TEXT NOT NULL)",
       "CREATE INDEX records_started ON records (started)"},
      {"ALTER TABLE records ADD COLUMN manufacture_date TEXT NOT NULL DEFAULT ''",
       "CREATE INDEX records_gauge ON records (serial, id_device, started)"},
  };
  return steps;
}

int CurrentSchemaVersion() {
  return static_cast<int>(SqlStore::Migrations().size());
}

std::string SqlStore::Failed(const std::string& what) const {
  return "the record store " + Name() + ": " + what;
}

bool SqlStore::ReadVersion(int& version, std::string& error) {
  std::vector<SqlRow> rows;
  if (!Exec("SELECT MAX(version) FROM schema_version", {}, &rows, error))
    return false;
  version = !rows.empty() && !rows[0].empty() && rows[0][0] ? std::stoi(*rows[0][0]) : 0;
  return true;
}

bool SqlStore::ApplyMigrations(int version, std::string& error) {
  const auto& steps = Migrations();
  if (version > CurrentSchemaVersion()) {
    error = Failed("its schema version " + std::to_string(version) +
                   " is newer than this gaugecal's (" + std::to_string(CurrentSchemaVersion()) +
                   "); use a newer gaugecal");
    return false;
  }
  for (size_t v = static_cast<size_t>(version); v < steps.size(); ++v) {
    for (const std::string& sql : steps[v]) {
      if (!Exec(sql, {}, nullptr, error))
        return false;
    }
  }
  if (version == CurrentSchemaVersion())
    return true;
  return Exec("DELETE FROM schema_version", {}, nullptr, error) &&
         Exec("INSERT INTO schema_version (version) VALUES ($1)",
              {{std::to_string(CurrentSchemaVersion()), true}}, nullptr, error);
}

bool SqlStore::Begin(const Record& record, std::string& error) {
  const std::string sql = std::string("INSERT INTO records (") + kColumns + ") VALUES (" +
                          Placeholders(1, kColumnCount) + ")";
  return Write(sql, Columns(record), error);
}

bool SqlStore::Complete(const Record& record, std::string& error) {
  // The id stays; every other column is set from the record.
  std::string sql = "UPDATE records SET ";
  const std::string columns = kColumns;
  size_t n = 2, from = columns.find(", ") + 2;
  while (from < columns.size()) {
    const size_t end = std::min(columns.find(", ", from), columns.size());
    sql += (n == 2 ? "" : ", ") + columns.substr(from, end - from) + " = $" + std::to_string(n);
    ++n;
    from = end + 2;
  }
  sql += " WHERE id = $1";
  return Write(sql, Columns(record), error);
}

bool SqlStore::FindInterrupted(std::optional<int> serial, const Identification& identification,
                               std::optional<Record>& found, std::string& error) {
  found.reset();
  std::vector<SqlRow> rows;
  const std::string sql = std::string("SELECT ") + kColumns +
                          " FROM records WHERE serial IS NOT DISTINCT FROM $1 AND id_device = $2 "
                          "AND id_firmware = $3 AND id_build = $4 AND id_extra = $5 ORDER BY "
                          "started DESC, id DESC LIMIT 1";
  if (!Exec(sql,
            {Serial(serial), Text(identification[0]), Text(identification[1]),
             Text(identification[2]), Text(identification[3])},
            &rows, error))
    return false;
  if (!rows.empty()) {
    Record newest = FromRow(rows[0]);
    if (newest.outcome == kInterrupted)
      found = std::move(newest);
  }
  return true;
}

bool SqlStore::Query(const RecordFilter& filter, std::vector<Record>& out, std::string& error) {
  std::string sql = std::string("SELECT ") + kColumns + " FROM records";
  std::vector<SqlParam> params;
  const auto where = [&sql, &params](const std::string& condition, SqlParam param) {
    params.push_back(std::move(param));
    sql += (params.size() == 1 ? " WHERE " : " AND ") + condition + " $" +
           std::to_string(params.size());
  };
  if (filter.serial)
    where("serial =", Serial(filter.serial));
  if (!filter.since.empty())
    where("started >=", Text(filter.since));
  if (!filter.outcome.empty())
    where("outcome =", Text(filter.outcome));
  if (!filter.id.empty())
    where("id =", Text(filter.id));
  sql += " ORDER BY started DESC, id DESC";
  std::vector<SqlRow> rows;
  if (!Exec(sql, params, &rows, error))
    return false;
  for (const SqlRow& row : rows)
    out.push_back(FromRow(row));
  return true;
}

}  // namespace gaugecal::records
