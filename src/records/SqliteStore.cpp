// The record store in an SQLite file: one station's records. Writers of several processes
// take turns through SQLite's file lock, each waiting up to WaitMs() for it.

#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "records/SqlStore.h"
#include "records/Stores.h"

namespace gaugecal::records {

namespace {

constexpr int kDefaultWaitMs = 30000;

// How long a writer waits for the file's lock: GAUGECAL_RECORDS_WAIT_MS, else 30 s.
int WaitMs() {
  const char* env = std::getenv("GAUGECAL_RECORDS_WAIT_MS");
  const int ms = env != nullptr ? std::atoi(env) : 0;
  return ms > 0 ? ms : kDefaultWaitMs;
}

// "$12" becomes "?12": SQLite numbers its parameters that way.
std::string SqliteText(std::string sql) {
  for (size_t at = sql.find('$'); at != std::string::npos; at = sql.find('$', at + 1))
    sql[at] = '?';
  return sql;
}

class SqliteStore final : public SqlStore {
 public:
  explicit SqliteStore(std::string path) : path_(std::move(path)) {}
  ~SqliteStore() override { sqlite3_close(db_); }
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

  bool Open(std::string& error) {
    const std::filesystem::path parent = std::filesystem::path(path_).parent_path();
    std::error_code ec;
    if (!parent.empty())
      std::filesystem::create_directories(parent, ec);
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
      error = Failed(db_ != nullptr ? sqlite3_errmsg(db_) : "cannot be opened");
      return false;
    }
    sqlite3_busy_timeout(db_, WaitMs());
    // Write-ahead logging: a record written is one append to the log, and readers never wait
    // for a writer, so stations taking turns on the file do not starve each other. Two stations
    // opening a new file at once both switch it from the rollback journal: one is told at once
    // that the file is busy and tries again.
    return UntilNotBusy(
        [this, &error] {
          std::vector<SqlRow> mode;
          return Exec("PRAGMA journal_mode = WAL", {}, &mode, error) && Migrate(error);
        },
        error);
  }

  std::string Name() const override { return path_; }

 protected:
  bool Exec(const std::string& sql, const std::vector<SqlParam>& params, std::vector<SqlRow>* rows,
            std::string& error) override {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, SqliteText(sql).c_str(), -1, &stmt, nullptr) != SQLITE_OK)
      return Fail(error);
    for (size_t i = 0; i < params.size(); ++i) {
      const int at = static_cast<int>(i + 1);
      const SqlParam& p = params[i];
      if (!p.text)
        sqlite3_bind_null(stmt, at);
      else if (p.integer)
        sqlite3_bind_int64(stmt, at, std::stoll(*p.text));
      else
        sqlite3_bind_text(stmt, at, p.text->c_str(), static_cast<int>(p.text->size()),
                          SQLITE_TRANSIENT);
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(stmt)) == SQLITE_ROW) {
      if (rows == nullptr)
        continue;
      SqlRow row;
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        const unsigned char* text = sqlite3_column_text(stmt, c);
        if (text == nullptr)
          row.emplace_back(std::nullopt);
        else
          row.emplace_back(std::string(reinterpret_cast<const char*>(text),
                                       static_cast<size_t>(sqlite3_column_bytes(stmt, c))));
      }
      rows->push_back(std::move(row));
    }
    const bool ok = step == SQLITE_DONE;
    if (!ok)
      Fail(error);
    sqlite3_finalize(stmt);
    return ok;
  }

  // The write lock first, waited for: a statement that took the read lock first and then
  // wanted to write could meet another writer waiting for that read lock, and SQLite ends
  // such a deadlock at once with "database is locked" instead of waiting.
  bool Write(const std::string& sql, const std::vector<SqlParam>& params,
             std::string& error) override {
    return UntilNotBusy(
        [&] {
          return Exec("BEGIN IMMEDIATE", {}, nullptr, error) && Exec(sql, params, nullptr, error) &&
                 Exec("COMMIT", {}, nullptr, error);
        },
        error);
  }

  bool Migrate(std::string& error) override {
    // A store at the current version is only read here, so a writer holding the file's lock
    // does not stop a run before its record is due.
    std::vector<SqlRow> rows;
    if (!Exec("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = "
              "'schema_version'",
              {}, &rows, error))
      return false;
    int version = 0;
    if (!rows.empty() && rows[0][0] && *rows[0][0] != "0" && !ReadVersion(version, error))
      return false;
    if (version == CurrentSchemaVersion())
      return true;
    if (!Exec("BEGIN IMMEDIATE", {}, nullptr, error))
      return false;
    const bool ok = Exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", {},
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
  // Runs step again while the file is still said to be busy, until the wait is over; an open
  // transaction of a failed step is rolled back first.
  template <class Step>
  bool UntilNotBusy(const Step& step, std::string& error) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitMs());
    for (int attempt = 1;; ++attempt) {
      failure_ = SQLITE_OK;
      if (step())
        return true;
      // The failure of the statement itself: a rollback after it reports success.
      const bool busy = (failure_ & 0xFF) == SQLITE_BUSY;
      std::string ignored;
      if (sqlite3_get_autocommit(db_) == 0)
        Exec("ROLLBACK", {}, nullptr, ignored);
      if (!busy || std::chrono::steady_clock::now() >= deadline)
        return false;
      error.clear();
      std::this_thread::sleep_for(std::chrono::milliseconds(1 + attempt % 7));
    }
  }

  bool Fail(std::string& error) {
    failure_ = sqlite3_errcode(db_);
    error = Failed(sqlite3_errmsg(db_));
    return false;
  }

  std::string path_;
  sqlite3* db_ = nullptr;
  int failure_ = SQLITE_OK;  // the code of the last statement that failed
};

}  // namespace

std::unique_ptr<RecordStore> OpenSqliteStore(const std::string& path, std::string& error) {
  auto store = std::make_unique<SqliteStore>(path);
  if (!store->Open(error))
    return nullptr;
  return store;
}

}  // namespace gaugecal::records
