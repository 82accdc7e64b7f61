#pragma once
// The record store over any SQL connection: the schema, its migrations and the statements,
// written once for both databases ($1, $2 ... placeholders; SQLite gets them as ?1, ?2 ...).

#include <optional>
#include <string>
#include <vector>

#include "records/RecordStore.h"

namespace gaugecal::records {

struct SqlParam {
  std::optional<std::string> text;  // empty: NULL
  bool integer = false;
};
using SqlRow = std::vector<std::optional<std::string>>;

class SqlStore : public RecordStore {
 public:
  bool Begin(const Record& record, std::string& error) override;
  bool Complete(const Record& record, std::string& error) override;
  bool FindInterrupted(std::optional<int> serial, const Identification& identification,
                       std::optional<Record>& found, std::string& error) override;
  bool Query(const RecordFilter& filter, std::vector<Record>& out, std::string& error) override;

  // The statements that take a store from version n to n + 1, for n = 0 .. current - 1.
  static const std::vector<std::vector<std::string>>& Migrations();

 protected:
  // One statement; rows receives what it returns. False with the database's own text.
  virtual bool Exec(const std::string& sql, const std::vector<SqlParam>& params,
                    std::vector<SqlRow>* rows, std::string& error) = 0;
  // One statement that changes records, as a transaction of its own.
  virtual bool Write(const std::string& sql, const std::vector<SqlParam>& params,
                     std::string& error) {
    return Exec(sql, params, nullptr, error);
  }
  // Runs the migrations the store lacks, under the database's lock for schema changes.
  virtual bool Migrate(std::string& error) = 0;

  // The version the store is at (0: no schema yet); used by Migrate inside its lock.
  bool ReadVersion(int& version, std::string& error);
  // The steps from version to current, and the new version; inside the caller's transaction.
  bool ApplyMigrations(int version, std::string& error);

  // "the record store NAME: TEXT".
  std::string Failed(const std::string& what) const;
};

}  // namespace gaugecal::records
