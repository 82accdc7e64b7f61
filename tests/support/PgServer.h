#pragma once
// A throwaway PostgreSQL 15 server for a test: a cluster under a temporary folder, listening
// only on a socket in that folder, run as the unprivileged user "postgres" when the test runs
// as root (initdb refuses root), stopped and removed at the end.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace gaugecal::test {

class PgServer {
 public:
  PgServer() {
    char dir[] = "/tmp/gaugecal-pg-XXXXXX";
    dir_ = ::mkdtemp(dir) != nullptr ? dir : "";
    const passwd* user = ::getpwnam("postgres");
    if (::geteuid() == 0 &&
        (user == nullptr || ::chown(dir_.c_str(), user->pw_uid, user->pw_gid) != 0))
      return;
    as_ = ::geteuid() == 0 ? "runuser -u postgres -- " : "";
    ok_ = Run(as_ + kBin + "initdb -D " + dir_ + "/data -A trust -U gaugecal --no-sync") &&
          Run(as_ + kBin + "pg_ctl -D " + dir_ + "/data -l " + dir_ + "/log -w -o \"-k " + dir_ +
              " -c listen_addresses='' -F\" start");
  }
  ~PgServer() {
    if (ok_)
      Run(as_ + kBin + "pg_ctl -D " + dir_ + "/data -m immediate -w stop");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  bool Ok() const { return ok_; }
  // A new empty database, and its URL.
  std::string NewDatabase() {
    const std::string name = "t" + std::to_string(++databases_);
    Run(kBin + "createdb -h " + dir_ + " -U gaugecal " + name);
    return "postgresql:///" + name + "?host=" + dir_ + "&user=gaugecal";
  }
  // One statement through psql on the database of a URL; false when it failed.
  bool Sql(const std::string& url, const std::string& sql) const {
    const std::string database = url.substr(14, url.find('?') - 14);
    return Run(kBin + "psql -q -v ON_ERROR_STOP=1 -h " + dir_ + " -U gaugecal -d " + database +
               " -c \"" + sql + "\"");
  }

 private:
  inline static const std::string kBin = "/usr/lib/postgresql/15/bin/";
  static bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
  }

  std::string dir_;
  std::string as_;
  bool ok_ = false;
  int databases_ = 0;
};

#ifdef GTEST_API_
// A suite run once on an SQLite file and once on a database of its own PostgreSQL server.
class BothStores : public testing::TestWithParam<bool> {
 public:
  static std::string Name(const testing::TestParamInfo<bool>& p) {
    return p.param ? "PostgreSQL" : "SQLite";
  }

 protected:
  static void SetUpTestSuite() { server_ = new PgServer; }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  bool Postgres() const { return GetParam(); }
  // A new store: the SQLite file in a folder not yet made, or a new database.
  std::string NewStore(const std::string& file) {
    if (!Postgres())
      return file;
    EXPECT_TRUE(server_->Ok()) << "the PostgreSQL server did not start";
    return server_->NewDatabase();
  }
  inline static PgServer* server_ = nullptr;
};
#endif

}  // namespace gaugecal::test
