// Record stores under load: 8 station processes each write 250 records at once (a record's
// two writes, begin and complete, timed together) into one PostgreSQL database, on a
// throwaway server this program starts, and separately into one SQLite file. Every record
// must be present once afterwards.
//
// Last line: "records: postgresql_lost=N sqlite_lost=N pg_ms_p50=X pg_ms_max=Y
// sqlite_ms_p50=Z".

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "records/RecordStore.h"
#include "support/PgServer.h"

namespace {

using namespace gaugecal;

constexpr int kStations = 8;
constexpr int kRecordsEach = 250;

// One station: its records, and the milliseconds of each into times.
int Station(const std::string& target, int station, const std::string& times) {
  std::string error;
  const auto store = records::OpenRecordStore(target, error);
  if (!store) {
    std::fprintf(stderr, "station %d: %s\n", station, error.c_str());
    return 1;
  }
  std::ofstream out(times);
  for (int i = 0; i < kRecordsEach; ++i) {
    records::Record r;
    r.id = records::NewRecordId();
    r.started = records::UtcNow();
    r.station = "station-" + std::to_string(station);
    r.operatorName = "bench";
    r.family = "RN44K18";
    r.identification = {"A05", "0102", "0003", "001B"};
    r.serial = station * 1000 + i;
    r.action = "current";
    r.before = {{"CC Gain", 4.768}, {"CC Delta", 5.678}};
    const auto t0 = std::chrono::steady_clock::now();
    if (!store->Begin(r, error))
      break;
    r.ended = records::UtcNow();
    r.outcome = records::kPass;
    r.after = {{"CC Gain", 4.801}, {"CC Delta", 5.712}};
    if (!store->Complete(r, error))
      break;
    out << std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count()
        << "\n";
  }
  if (!error.empty()) {
    std::fprintf(stderr, "station %d: %s\n", station, error.c_str());
    return 1;
  }
  return 0;
}

struct Result {
  int lost = 0;
  double p50 = 0.0;
  double max = 0.0;
};

Result Run(const char* name, const std::string& target, const std::string& dir) {
  std::vector<pid_t> children;
  for (int s = 0; s < kStations; ++s) {
    const pid_t pid = fork();
    if (pid == 0)
      _exit(Station(target, s, dir + "/" + name + std::to_string(s) + ".ms"));
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
  }
  std::vector<double> ms;
  for (int s = 0; s < kStations; ++s) {
    std::ifstream in(dir + "/" + name + std::to_string(s) + ".ms");
    for (double v = 0; in >> v;)
      ms.push_back(v);
  }
  std::string error;
  std::vector<records::Record> found;
  const auto store = records::OpenRecordStore(target, error);
  if (!store || !store->Query({}, found, error))
    std::fprintf(stderr, "%s: %s\n", name, error.c_str());
  std::set<std::string> once;
  for (const records::Record& r : found) {
    if (r.outcome == records::kPass)
      once.insert(r.id + "/" + r.station + "/" + std::to_string(r.serial.value_or(-1)));
  }
  // Lost: a record written that is not there, there twice, or not completed.
  Result result;
  result.lost = kStations * kRecordsEach - static_cast<int>(once.size()) +
                static_cast<int>(found.size() - once.size());
  std::sort(ms.begin(), ms.end());
  if (!ms.empty()) {
    result.p50 = ms[ms.size() / 2];
    result.max = ms.back();
  }
  std::printf("%s: %zu records present of %d, %zu timed, ms per record p50=%.2f max=%.2f\n", name,
              found.size(), kStations * kRecordsEach, ms.size(), result.p50, result.max);
  return result;
}

}  // namespace

int main() {
  char scratch[] = "/tmp/gaugecal-bench-records-XXXXXX";
  if (mkdtemp(scratch) == nullptr)
    return 1;
  const std::string dir = scratch;
  Result pg{kStations * kRecordsEach, 0.0, 0.0}, sqlite;
  {
    gaugecal::test::PgServer server;
    if (server.Ok())
      pg = Run("postgresql", server.NewDatabase(), dir);
    else
      std::fprintf(stderr, "postgresql: the server did not start\n");
  }
  sqlite = Run("sqlite", dir + "/records.sqlite", dir);
  std::filesystem::remove_all(dir);
  std::printf(
      "records: postgresql_lost=%d sqlite_lost=%d pg_ms_p50=%.2f pg_ms_max=%.2f "
      "sqlite_ms_p50=%.2f\n",
      pg.lost, sqlite.lost, pg.p50, pg.max, sqlite.p50);
  return pg.lost == 0 && sqlite.lost == 0 ? 0 : 1;
}
