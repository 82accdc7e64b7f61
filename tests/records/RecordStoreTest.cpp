// Both record stores against real databases: an SQLite file in a temporary folder and a
// PostgreSQL 15 server the suite starts itself. Fields round-trip, filters and order, the
// interrupted-run lookup, the migration from schema version 1. Writers at once: CliRecordsTest.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "records/RecordStore.h"
#include "records/SqlStore.h"
#include "support/Bench.h"
#include "support/PgServer.h"

namespace gaugecal::test {
namespace {

using records::Record;

class RecordStoreTest : public BothStores {
 protected:
  void SetUp() override { target_ = NewStore(dir_.Path("records/r.sqlite")); }
  std::unique_ptr<records::RecordStore> Open() {
    std::string error;
    auto store = records::OpenRecordStore(target_, error);
    EXPECT_TRUE(store) << error;
    return store;
  }
  // Raw statements on the store's database, beside the store.
  void Sql(const std::string& sql) {
    if (Postgres()) {
      ASSERT_TRUE(server_->Sql(target_, sql)) << sql;
      return;
    }
    std::filesystem::create_directories(std::filesystem::path(target_).parent_path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(target_.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db) << ": " << sql;
    sqlite3_close(db);
  }

  static Record Sample(const std::string& started, int serial, const std::string& outcome) {
    Record r;
    r.id = records::NewRecordId();
    r.started = started;
    r.station = "bench-2";
    r.operatorName = "ana";
    r.toolVersion = "0.1.0";
    r.adapter = "sim:RN44K18";
    r.family = "RN44K18";
    r.identification = {"A05", "0102", "0003", "001B"};
    r.serial = serial;
    r.manufactureDate = "2025-03-04";
    r.action = "current";
    r.outcome = outcome;
    return r;
  }

  TempDir dir_;
  std::string target_;
};

TEST_P(RecordStoreTest, KeepsEveryFieldAndFiltersNewestFirst) {
  auto store = Open();
  ASSERT_TRUE(store);
  Record full = Sample("2026-12-07T10:00:00.000Z", 4242, records::kInterrupted);
  full.references = {{{"name", "Current"}, {"text", "-2000"}, {"value", -2000.0}, {"unit", "mA"}}};
  full.before = {{"CC Gain", 4.768}, {"Cell 1 offset", -3.0}};
  full.messages = {"Calibration failed, \"quoted\"\nsecond line"};
  full.warnings = {"degree \xC2\xB0"};
  std::string error;
  ASSERT_TRUE(store->Begin(full, error)) << error;
  full.ended = "2026-12-07T10:00:09.500Z";
  full.outcome = records::kPass;
  full.after = {{"CC Gain", 4.801}};
  full.check = {{{"quantity", "Current"}, {"error", 0.4}, {"within", true}}};
  full.backup = "/b/RN44K18-A05-20261207-100001.json";
  ASSERT_TRUE(store->Complete(full, error)) << error;
  ASSERT_TRUE(store->Begin(Sample("2026-12-05T08:00:00.000Z", 4242, records::kFail), error));
  ASSERT_TRUE(store->Begin(Sample("2026-12-06T08:00:00.000Z", 7, records::kPass), error));

  std::vector<Record> all;
  ASSERT_TRUE(store->Query({}, all, error)) << error;
  ASSERT_EQ(all.size(), 3U);
  EXPECT_EQ(records::ToJson(all[0]), records::ToJson(full));
  EXPECT_EQ(all[1].serial, 7);
  EXPECT_EQ(all[2].started, "2026-12-05T08:00:00.000Z");

  ASSERT_TRUE(store->Query({4242, "2026-12-06", "pass", ""}, all, error)) << error;
  ASSERT_EQ(all.size(), 4U);  // appended to the three before
  EXPECT_EQ(all[3].id, full.id);
}

TEST_P(RecordStoreTest, FindsTheGaugesNewestRecordOnlyWhileItIsInterrupted) {
  auto store = Open();
  ASSERT_TRUE(store);
  std::string error;
  const records::Identification id = {"A05", "0102", "0003", "001B"};
  Record stuck = Sample("2026-12-07T10:00:00.000Z", 4242, records::kInterrupted);
  Record unknownSerial = Sample("2026-12-07T11:00:00.000Z", 0, records::kInterrupted);
  unknownSerial.serial.reset();
  ASSERT_TRUE(store->Begin(stuck, error) && store->Begin(unknownSerial, error)) << error;
  std::optional<Record> found;
  ASSERT_TRUE(store->FindInterrupted(4242, id, found, error)) << error;
  ASSERT_TRUE(found);
  EXPECT_EQ(found->id, stuck.id);
  ASSERT_TRUE(store->FindInterrupted(std::nullopt, id, found, error));
  ASSERT_TRUE(found);
  EXPECT_EQ(found->id, unknownSerial.id);
  ASSERT_TRUE(store->FindInterrupted(4242, {"A05", "0102", "0004", "001B"}, found, error));
  EXPECT_FALSE(found);  // another build is another gauge
  ASSERT_TRUE(store->Begin(Sample("2026-12-07T12:00:00.000Z", 4242, records::kRefused), error));
  ASSERT_TRUE(store->FindInterrupted(4242, id, found, error));
  EXPECT_FALSE(found);
}

TEST_P(RecordStoreTest, MigratesAVersionOneStoreAndRefusesANewerOne) {
  Sql("CREATE TABLE schema_version (version INTEGER NOT NULL)");
  Sql("INSERT INTO schema_version (version) VALUES (1)");
  for (const std::string& sql : records::SqlStore::Migrations()[0])
    Sql(sql);
  Sql("INSERT INTO records (id, started, station, operator, tool_version, adapter, family, "
      "id_device, id_firmware, id_build, id_extra, serial, action, outcome, body) VALUES ('old', "
      "'2026-11-01T09:00:00.000Z', 's', 'o', '0.0.9', 'sim:CEDV', 'CEDV', 'A', 'B', 'C', 'D', 5, "
      "'restore', 'pass', '{}')");
  {
    auto store = Open();
    ASSERT_TRUE(store);
    std::vector<Record> found;
    std::string error;
    ASSERT_TRUE(store->Begin(Sample("2026-12-07T10:00:00.000Z", 5, records::kPass), error));
    ASSERT_TRUE(store->Query({5, "", "", ""}, found, error)) << error;
    ASSERT_EQ(found.size(), 2U);
    EXPECT_EQ(found[0].manufactureDate, "2025-03-04");
    EXPECT_EQ(found[1].id, "old");
    EXPECT_EQ(found[1].manufactureDate, "");
    EXPECT_EQ(found[1].action, "restore");
  }
  Sql("UPDATE schema_version SET version = 99");
  std::string error;
  EXPECT_FALSE(records::OpenRecordStore(target_, error));
  EXPECT_NE(error.find("its schema version 99 is newer than this gaugecal's (2)"),
            std::string::npos)
      << error;
}

INSTANTIATE_TEST_SUITE_P(Stores, RecordStoreTest, testing::Bool(), BothStores::Name);

}  // namespace
}  // namespace gaugecal::test
