// The record store in a PostgreSQL database: the records of a whole line of stations. Every
// statement is one transaction of its own; schema changes run under an advisory lock, so
// stations that start together migrate once.

#include <libpq-fe.h>

#include "records/SqlStore.h"
#include "records/Stores.h"

namespace gaugecal::records {

namespace {

constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(2026120701)";

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return text;
}

class PostgresStore final : public SqlStore {
 public:
  explicit PostgresStore(std::string url) : url_(std::move(url)) {}
  ~PostgresStore() override { PQfinish(conn_); }
  PostgresStore(const PostgresStore&) = delete;
  PostgresStore& operator=(const PostgresStore&) = delete;

  bool Open(std::string& error) {
    conn_ = PQconnectdb(url_.c_str());
    if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) {
      error = Failed(conn_ != nullptr ? Trimmed(PQerrorMessage(conn_)) : "cannot be reached");
      return false;
    }
    // The server's notices ("already exists, skipping") are not the user's business.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    return Migrate(error);
  }

  std::string Name() const override { return WithoutPassword(url_); }

 protected:
  bool Exec(const std::string& sql, const std::vector<SqlParam>& params, std::vector<SqlRow>* rows,
            std::string& error) override {
    std::vector<const char*> values;
    for (const SqlParam& p : params)
      values.push_back(p.text ? p.text->c_str() : nullptr);
    PGresult* result = PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                    values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!ok) {
      error =
          Failed(Trimmed(result != nullptr ? PQresultErrorMessage(result) : PQerrorMessage(conn_)));
    } else if (rows != nullptr) {
      for (int r = 0; r < PQntuples(result); ++r) {
        SqlRow row;
        for (int c = 0; c < PQnfields(result); ++c)
          row.push_back(PQgetisnull(result, r, c) != 0
                            ? std::nullopt
                            : std::optional<std::string>(PQgetvalue(result, r, c)));
        rows->push_back(std::move(row));
      }
    }
    PQclear(result);
    return ok;
  }

  bool Migrate(std::string& error) override {
    int version = 0;
    if (!Exec("BEGIN", {}, nullptr, error))
      return false;
    const bool ok = Exec(kMigrationLock, {}, nullptr, error) &&
                    Exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", {},
                         nullptr, error) &&
                    ReadVersion(version, error) && ApplyMigrations(version, error) &&
                    Exec("COMMIT", {}, nullptr, error);
    if (!ok) {
      std::string ignored;
      Exec("ROLLBACK", {}, nullptr, ignored);
    }
    return ok;
  }

 private:
  std::string url_;
  PGconn* conn_ = nullptr;
};

}  // namespace

std::string WithoutPassword(const std::string& url) {
  std::string text = url;
  const size_t scheme = text.find("://");
  const size_t at = text.find('@');
  if (scheme != std::string::npos && at != std::string::npos && at > scheme) {
    const size_t colon = text.find(':', scheme + 3);
    if (colon != std::string::npos && colon < at)
      text.replace(colon + 1, at - colon - 1, "***");
  }
  const size_t password = text.find("password=");
  if (password != std::string::npos) {
    const size_t end = text.find('&', password);
    text.replace(password + 9, (end == std::string::npos ? text.size() : end) - password - 9,
                 "***");
  }
  return text;
}

std::unique_ptr<RecordStore> OpenPostgresStore(const std::string& url, std::string& error) {
  auto store = std::make_unique<PostgresStore>(url);
  if (!store->Open(error))
    return nullptr;
  return store;
}

}  // namespace gaugecal::records
