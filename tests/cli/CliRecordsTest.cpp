// Every calibration on record, end to end through the tool on a simulated gauge, into an
// SQLite file and into a PostgreSQL 15 server the suite starts: calibrate, demo and restore
// leave their records, `records` reads them back (JSON, CSV, filters), a store that cannot be
// reached or written stops the run before the gauge's data flash is touched, a killed run is
// found again with its restore command, and two stations write at once.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cmath>
#include <csignal>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "CliProcess.h"
#include "CliRun.h"
#include "support/PgServer.h"

namespace gaugecal::test {
namespace {

using nlohmann::json;

constexpr const char* kRowWrite = "WB:2F/32";  // a data flash row of the RN44K18 gauge

size_t IndexOf(const std::vector<std::string>& steps, const std::string& prefix) {
  const auto at = [&prefix](const std::string& step) { return step.rfind(prefix, 0) == 0; };
  return static_cast<size_t>(std::find_if(steps.begin(), steps.end(), at) - steps.begin());
}

class CliRecords : public BothStores {
 protected:
  void SetUp() override {
    scenario_ = dir_.Write(
        "gauge.json",
        R"({"serialNumber": 4242, "manufactureDate": "2025-03-04", "currentMa": -2000})");
    store_ = NewStore(dir_.Path("line/records.sqlite"));
  }
  CliResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(),
                {"--virtual-time", "--sim-scenario", scenario_, "--backup-dir", dir_.Path("b"),
                 "--records", store_, "--trace", dir_.Path("t"), "--operator", "ana"});
    return RunCli(args);
  }
  json Records(std::vector<std::string> filter = {}) const {
    filter.insert(filter.begin(), {"--records", store_, "--json", "records"});
    const CliResult r = RunCli(filter);
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out).value("records", json::array());
  }
  TempDir dir_;
  std::string scenario_, store_;
};

TEST_P(CliRecords, CalibrateAndRestoreLeaveOneRecordEach) {
  setenv("GAUGECAL_STATION", "bench-7", 1);
  const CliResult r = Run({"calibrate", "current", "--current", "-2000"});
  unsetenv("GAUGECAL_STATION");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> steps = TraceSteps(dir_.Path("t"));
  // The record's reads come before the panel's start-up and its first data flash write.
  EXPECT_LT(IndexOf(steps, "RW_:1C"), IndexOf(steps, "RW_:1B"));
  EXPECT_LT(IndexOf(steps, "RW_:1B"), IndexOf(steps, kRowWrite));
  EXPECT_LT(IndexOf(steps, kRowWrite), steps.size());
  const json found = Records();
  ASSERT_EQ(found.size(), 1U);
  const json& rec = found[0];
  const json expected = json::parse(R"({"action": "current", "outcome": "pass", "serial": 4242,
      "manufactureDate": "2025-03-04", "family": "RN44K18", "station": "bench-7",
      "operator": "ana", "adapter": "sim:RN44K18", "references": [{"name": "Current",
      "text": "-2000", "value": -2000.0, "unit": "mA", "source": "typed"}]})");
  for (const auto& [key, value] : expected.items())
    EXPECT_EQ(rec[key], value) << key;
  EXPECT_NE(rec["identification"]["IdDevice"], "");
  EXPECT_GT(rec["ended"].get<std::string>(), rec["started"].get<std::string>());
  EXPECT_NE(r.out.find("backup: " + rec["backup"].get<std::string>() + "\n"), std::string::npos);
  ASSERT_TRUE(rec["before"].is_object() && !rec["before"].empty());
  EXPECT_NE(rec["before"], rec["after"]);  // the sense resistor gain changed
  EXPECT_TRUE(rec["before"].begin()->is_number());
  ASSERT_EQ(rec["check"].size(), 1U);
  EXPECT_EQ(rec["check"][0]["quantity"], "Current");
  EXPECT_EQ(rec["check"][0]["within"], true);
  ASSERT_EQ(rec["asFound"].size(), 1U);  // read before the click, with the gain before
  EXPECT_GT(std::fabs(rec["asFound"][0]["error"].get<double>()),
            std::fabs(rec["check"][0]["error"].get<double>()) + 0.1);

  // The certificate: one page, nothing loaded from elsewhere, A4 when printed.
  const std::string page = dir_.Path("c.html");
  ASSERT_EQ(RunCli({"--records", store_, "report", "--serial", "4242", "--out", page}).status, 0);
  const std::string html = ReadFile(page);
  for (const std::string shown :
       {"<td>4242</td>", "<td>2025-03-04</td>", "<td>ana</td>", "<td>bench-7</td>",
        R"(<td>Current</td><td class="num">-2000.0 mA</td>)", R"(class="pass">pass</td>)",
        "@page { size: A4", "<svg", "typed by the operator"})
    EXPECT_NE(html.find(shown), std::string::npos) << shown;
  EXPECT_EQ(html.find(" src="), std::string::npos);
  EXPECT_EQ(html.find("<link"), std::string::npos);
  // A real browser renders it (an A4-wide picture) and reads its text back.
  const std::string browser =
      std::string(GAUGECAL_CHROMIUM) +
      " --headless --no-sandbox --disable-gpu --user-data-dir=" + dir_.Path("profile") +
      " --window-size=794,1123 ";
  ASSERT_EQ(std::system((browser + "--screenshot=" + dir_.Path("c.png") + " file://" + page +
                         " >/dev/null 2>&1")
                            .c_str()),
            0);
  EXPECT_EQ(ReadFile(dir_.Path("c.png")).substr(1, 3), "PNG");
  std::system(
      (browser + "--dump-dom file://" + page + " >" + dir_.Path("dom") + " 2>/dev/null").c_str());
  EXPECT_NE(ReadFile(dir_.Path("dom")).find("<th>Serial number</th><td>4242</td>"),
            std::string::npos)
      << "dom";

  const CliResult back = Run({"restore", rec["backup"].get<std::string>()});
  ASSERT_EQ(back.status, 0) << back.err;
  const json both = Records();
  ASSERT_EQ(both.size(), 2U);
  EXPECT_EQ(both[0]["action"], "restore");
  EXPECT_EQ(both[0]["outcome"], "pass");
  EXPECT_NE(both[0]["backup"], rec["backup"]);
  const CliResult refused = Run({"restore", dir_.Path("no-such-backup.json")});
  EXPECT_EQ(refused.status, 1);
  // A stack row left empty: the page refuses it, and the as-found readings skip it.
  const CliResult missing = Run({"calibrate", "voltage-temperature", "--cell", "1=3902"});
  EXPECT_EQ(missing.status, 1) << missing.err;
  EXPECT_EQ(Records({"--outcome", "refused"}).size(), 2U);
}

TEST_P(CliRecords, TwoStationsAtOnceLeaveOneRecordPerDemoActionEach) {
  std::vector<pid_t> stations;
  for (const std::string who : {"ana", "ben"}) {
    stations.push_back(SpawnTool({"--virtual-time", "--sim-scenario", scenario_, "--backup-dir",
                                  dir_.Path(who), "--records", store_, "--operator", who, "demo"}));
  }
  for (pid_t pid : stations) {
    int raw = 0;
    waitpid(pid, &raw, 0);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
  }
  // Newest first: each station's five calibrations against the bench order, each once.
  const std::vector<std::string> newestFirst = {"current", "pack-voltage", "voltage-temperature",
                                                "board-offset", "cc-offset"};
  std::map<std::string, std::vector<std::string>> actions;
  std::set<std::string> ids;
  const json found = Records();
  for (const json& rec : found) {
    actions[rec["operator"]].push_back(rec["action"]);
    ids.insert(rec["id"].get<std::string>());
    EXPECT_EQ(rec["outcome"], "pass");
  }
  EXPECT_EQ(found.size(), 10U);
  EXPECT_EQ(ids.size(), 10U);
  EXPECT_EQ(actions["ana"], newestFirst);
  EXPECT_EQ(actions["ben"], newestFirst);
  EXPECT_EQ(Records({"--serial", "4243"}).size(), 0U);
  EXPECT_EQ(Records({"--serial", "4242", "--outcome", "pass"}).size(), 10U);
  EXPECT_EQ(Records({"--since", "2099-01-01"}).size(), 0U);
  const CliResult csv = RunCli({"--records", store_, "records", "--csv"});
  EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
            "id,started,ended,station,operator,family,IdDevice,serial,manufactureDate,action,"
            "outcome,backup");
  EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 11);
  EXPECT_NE(csv.out.find(",ben,RN44K18,A05,4242,2025-03-04,cc-offset,pass,"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Stores, CliRecords, testing::Bool(), BothStores::Name);

TEST(CliRecordStore, AnUnreachableServerStopsTheRunBeforeTheGauge) {
  TempDir dir;
  const std::string url = "postgresql://cal:secret@/records?host=" + dir.Path("no-server");
  for (const std::string command : {"demo", "calibrate", "restore"}) {
    std::vector<std::string> args = {"--virtual-time", "--records",    url,           "--trace",
                                     dir.Path("t"),    "--backup-dir", dir.Path("b"), command};
    if (command != "demo")
      args.push_back(command == "calibrate" ? "cc-offset" : "x.json");
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 1) << command;
    const std::string shown = "postgresql://cal:***@/records?host=" + dir.Path("no-server");
    EXPECT_EQ(r.err.rfind("gaugecal: the record store " + shown + ": ", 0), 0U) << r.err;
    EXPECT_NE(r.err.find("; nothing was written to the gauge\n"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(dir.Path("t")), "") << command;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("b"))) << command;
  }
}

TEST(CliRecordStore, ALockedFileStopsTheRunBeforeTheFirstDataFlashWrite) {
  TempDir dir;
  const std::string store = dir.Path("r.sqlite");
  const std::vector<std::string> run = {"--virtual-time", "--records",   store,
                                        "--trace",        dir.Path("t"), "--backup-dir",
                                        dir.Path("b"),    "calibrate",   "cc-offset"};
  ASSERT_EQ(RunCli(run).status, 0);
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("b")), {}), 1);
  // Another station holds the file's write lock for longer than the tool waits.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(store.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  setenv("GAUGECAL_RECORDS_WAIT_MS", "1000", 1);
  const CliResult r = RunCli(run);
  unsetenv("GAUGECAL_RECORDS_WAIT_MS");
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("gaugecal: the record store " + store +
                       ": database is locked; nothing was written to the gauge\n"),
            std::string::npos)
      << r.err;
  const std::vector<std::string> steps = TraceSteps(dir.Path("t"));
  EXPECT_LT(IndexOf(steps, "RW_:1C"), steps.size());  // the gauge was read, never written
  EXPECT_EQ(IndexOf(steps, kRowWrite), steps.size());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("b")), {}), 1);
}

TEST(CliRecordStore, AKilledCalibrationIsFoundAgainWithItsRestoreCommand) {
  TempDir dir;
  const std::string scenario = dir.Write("gauge.json", R"({"serialNumber": 77})");
  const std::string store = dir.Path("r.sqlite"), trace = dir.Path("t.jsonl");
  // Real time: the calibration runs for seconds, killed once its first row is on the bus.
  const pid_t pid = SpawnTool({"--sim-scenario", scenario, "--records", store, "--trace", trace,
                               "--backup-dir", dir.Path("b"), "calibrate", "cc-offset"});
  int raw = 0;
  while (ReadFile(trace).find(R"("op":"WriteSMBusBlock","cmd":47,)") == std::string::npos &&
         waitpid(pid, &raw, WNOHANG) == 0)
    usleep(2000);
  kill(pid, SIGKILL);
  waitpid(pid, &raw, 0);
  ASSERT_TRUE(WIFSIGNALED(raw));
  const CliResult list = RunCli({"--records", store, "--json", "records"});
  const json stuck = json::parse(list.out)["records"][0];
  ASSERT_EQ(stuck["outcome"], "interrupted");
  ASSERT_NE(stuck["backup"], "");
  const std::vector<std::string> again = {
      "--virtual-time", "--sim-scenario", scenario,    "--records", store,
      "--backup-dir",   dir.Path("b"),    "calibrate", "cc-offset"};
  const CliResult warned = RunCli(again);
  EXPECT_EQ(warned.status, 0) << warned.err;
  const std::string warning =
      "warning: the calibration of this gauge started at " + stuck["started"].get<std::string>() +
      " was interrupted; its data flash may be half-written; restore it with: gaugecal restore " +
      stuck["backup"].get<std::string>() + "\n";
  EXPECT_EQ(warned.err.substr(0, warning.size()), warning) << warned.err;
  // Another gauge is not warned about; after a completed run this one is not either.
  const CliResult other = RunCli({"--virtual-time", "--records", store, "--backup-dir",
                                  dir.Path("b"), "calibrate", "cc-offset"});
  EXPECT_EQ(other.err.find("interrupted"), std::string::npos) << other.err;
  EXPECT_EQ(RunCli(again).err.find("interrupted"), std::string::npos);
}

}  // namespace
}  // namespace gaugecal::test
