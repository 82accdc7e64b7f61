// Nothing lost: the backup saved before a calibration writes, gaugecal backup and restore on
// every family's simulated gauge, restore's refusals, and the rollback of a calibration write
// that fails between the two rows. The gauges keep their data flash in a persistence file, so
// what a run left in the gauge is compared byte for byte.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <openssl/sha.h>
#include <sys/stat.h>
#include <cctype>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "CliRun.h"
#include "device/HexText.h"

namespace gaugecal::test {
namespace {

using nlohmann::json;

// A gauge of the family whose data flash lives in dir/df.hex, and the tool's options for it.
struct Station {
  Station(const std::string& family, const std::string& extra = "") {
    scenario = dir.Write("gauge.json", "{\"dataFlashFile\": \"df.hex\"" + extra + "}");
    adapter = "sim:" + family;
  }
  CliResult Run(std::vector<std::string> args) const {
    std::vector<std::string> all = {"--virtual-time",   "--adapter", adapter,
                                    "--sim-scenario",   scenario,    "--backup-dir",
                                    dir.Path("backups")};
    all.insert(all.end(), args.begin(), args.end());
    return RunCli(all);
  }
  std::string Flash() const { return ReadFile(dir.Path("df.hex")); }
  std::vector<std::string> Backups() const {
    std::vector<std::string> files;
    if (std::filesystem::exists(dir.Path("backups"))) {
      for (const auto& e : std::filesystem::directory_iterator(dir.Path("backups")))
        files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  TempDir dir;
  std::string scenario;
  std::string adapter;
};

std::string Sha256Of(const std::string& hex) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(ParseHexBytes(hex, bytes));
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(bytes.data(), bytes.size(), digest);
  std::string out;
  for (unsigned char d : digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += kDigits[d >> 4];
    out += kDigits[d & 15];
  }
  return out;
}

TEST(BackupRestore, RoundTripsEveryFamilyAndBacksUpBeforeEachWrite) {
  for (const std::string family : {"CEDV", "QSPAN", "RN44K18", "CEDV_PLUS"}) {
    SCOPED_TRACE(family);
    const Station s(family);
    const std::string file = s.dir.Path("before.json");
    const CliResult backup = s.Run({"backup", "--out", file});
    ASSERT_EQ(backup.status, 0) << backup.err;
    const std::string before = s.Flash();
    const json saved = json::parse(ReadFile(file));
    EXPECT_EQ(saved["family"], family);
    EXPECT_EQ(saved["sha256"], Sha256Of(saved["image"]));
    std::string lowercase = saved["image"];
    for (char& ch : lowercase)
      ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(saved["sha256"], Sha256Of(lowercase)) << "hex digits are read in either case";
    EXPECT_EQ(saved["image"].get<std::string>().size(), family == "QSPAN" ? 2u * 32 : 2u * 64);
    EXPECT_FALSE(saved["identification"]["IdDevice"].get<std::string>().empty());
    EXPECT_TRUE(s.Backups().empty()) << "--out writes only the named file";

    const CliResult cal = s.Run({"calibrate", "board-offset"});
    ASSERT_EQ(cal.status, 0) << cal.err;
    ASSERT_NE(s.Flash(), before);
    // The calibration saved what it read before its write: the image backup read.
    ASSERT_EQ(s.Backups().size(), 1u);
    // The first backup of its second has no number after the time.
    EXPECT_TRUE(
        std::regex_match(s.Backups()[0], std::regex(".*/" + family + "-\\w+-\\d{8}-\\d{6}\\.json")))
        << s.Backups()[0];
    const json calBackup = json::parse(ReadFile(s.Backups()[0]));
    EXPECT_EQ(calBackup["image"], saved["image"]);
    EXPECT_EQ(calBackup["kind"], "calibration area");

    const CliResult restore = s.Run({"restore", file});
    ASSERT_EQ(restore.status, 0) << restore.err;
    EXPECT_EQ(restore.err, "");
    EXPECT_EQ(s.Flash(), before);
    // The calibrated contents were saved before the restore overwrote them.
    std::set<std::string> images;
    for (const std::string& f : s.Backups())
      images.insert(json::parse(ReadFile(f))["image"].get<std::string>());
    EXPECT_EQ(images.size(), 2u);
  }
}

TEST(BackupRestore, RefusesAndWritesNothing) {
  const Station s("RN44K18");
  const std::string good = s.dir.Path("good.json");
  ASSERT_EQ(s.Run({"backup", "--out", good}).status, 0);
  json damaged = json::parse(ReadFile(good));
  std::string image = damaged["image"];
  image[0] = image[0] == '0' ? '1' : '0';
  damaged["image"] = image;
  const std::string damagedFile = s.dir.Write("damaged.json", damaged.dump());
  damaged["image"] = "0 " + image.substr(1);  // a pair split by a blank
  const std::string splitPair = s.dir.Write("split.json", damaged.dump());

  const Station qspan("QSPAN");
  const std::string otherFamily = s.dir.Path("qspan.json");
  ASSERT_EQ(qspan.Run({"backup", "--out", otherFamily}).status, 0);
  // Another family with an image of the same length: only the family tells them apart.
  const Station plus("CEDV_PLUS");
  const std::string sameLength = s.dir.Path("plus.json");
  ASSERT_EQ(plus.Run({"backup", "--out", sameLength}).status, 0);
  const Station a06("RN44K18", R"(, "identification": "0A 06 01 02 00 03 00 00 00 00 01 00 1B")");
  const std::string otherGauge = s.dir.Path("a06.json");
  ASSERT_EQ(a06.Run({"backup", "--out", otherGauge}).status, 0);
  const std::string notBackup = s.dir.Write("notes.json", "{\"image\": \"00\"}");
  const std::string fifo = s.dir.Path("fifo.json");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  // Something to restore over: the gauge calibrated after the backups.
  ASSERT_EQ(s.Run({"calibrate", "board-offset"}).status, 0);
  const std::string calibrated = s.Flash();
  const struct {
    std::string file;
    bool force;
    std::string message;
  } cases[] = {
      {damagedFile, false, " does not match its SHA-256: it is damaged or was edited."},
      {damagedFile, true, " does not match its SHA-256: it is damaged or was edited."},
      {otherFamily, false,
       " is of a QSPAN gauge, but the connected gauge is RN44K18: another family keeps other "
       "parameters at these bytes, so it is not written, --force or not."},
      {otherFamily, true, " is of a QSPAN gauge, but the connected gauge is RN44K18: "},
      {sameLength, false, " is of a CEDV_PLUS gauge, but the connected gauge is RN44K18: "},
      {sameLength, true, " is of a CEDV_PLUS gauge, but the connected gauge is RN44K18: "},
      {otherGauge, false, " is of a gauge identified as A06 "},
      {notBackup, false, " is not a gaugecal data flash backup."},
      {splitPair, true, " is not a complete backup: \"image\" is not hexadecimal"},
      {s.dir.Path("missing.json"), false, " does not exist."},
      {fifo, false, " is not a regular file."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file + (c.force ? " --force" : ""));
    std::vector<std::string> args = {"restore", c.file};
    if (c.force)
      args.push_back("--force");
    const CliResult r = s.Run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("message: The backup file " + c.file + c.message), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Nothing was written to the gauge."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("unseal"), std::string::npos) << "an unsealed gauge";
    EXPECT_EQ(s.Flash(), calibrated);
  }
  // A sealed gauge does not take the write: the next step is the unseal command.
  const Station sealed("RN44K18", R"(, "security": "Sealed")");
  const CliResult refused = sealed.Run({"restore", good});
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(
      refused.err,
      testing::EndsWith("\nwarning: the gauge is Sealed; unseal it first: gaugecal unseal\n"));
  // The technician may put another gauge's constants of the same family in on purpose; what
  // the gauge held is saved first and named.
  const CliResult forced = s.Run({"restore", otherGauge, "--force"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_NE(s.Flash(), calibrated);
  ASSERT_NE(forced.out.find("\nbackup: " + s.dir.Path("backups") + "/RN44K18-A05-"),
            std::string::npos)
      << forced.out;
  // An existing --out file is not overwritten without --force.
  const std::string old = s.dir.Write("old.json", "{}");
  const CliResult again = s.Run({"backup", "--out", old});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "message: The backup file " + old +
                           " exists already; it may be the only copy of another gauge's "
                           "constants, so it is not overwritten (--force overwrites it).\n");
  EXPECT_EQ(ReadFile(old), "{}");
  EXPECT_EQ(s.Run({"backup", "--out", old, "--force"}).status, 0);
  EXPECT_EQ(json::parse(ReadFile(old))["family"], "RN44K18");
}

TEST(BackupRestore, NoBackupNoWrite) {
  const Station s("CEDV");
  ASSERT_EQ(s.Run({"identify"}).status, 0);
  const std::string before = s.Flash();
  const std::string blocked = s.dir.Write("backups", "a file where the folder should be");
  const CliResult r = s.Run({"calibrate", "board-offset"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("message: Could not save a backup of the calibration Dataflash: " + blocked +
                       ": "),
            std::string::npos)
      << r.err;
  EXPECT_EQ(ReadFile(s.dir.Path("df.hex")), before);
}

TEST(Rollback, WritesTheOldRowsBackAfterAFailureBetweenThem) {
  const std::string restored =
      "message: The failed write had changed the calibration Dataflash. Its previous contents "
      "were written back and verified.\n";
  const struct {
    std::string fault;  // on the calibration's 0x2F block writes
    std::string own;    // the write's own message
    std::string last;
    bool restored;
  } cases[] = {
      // The second row refused once, then the rollback's writes go through.
      {R"("kind": "nack", "occurrence": 2, "count": 1)", "Not able to Write Second Calibration row",
       restored, true},
      // The second row stored wrong: its read-back does not verify.
      {R"("kind": "corruptWrite", "occurrence": 2, "offset": 3)",
       "Second Calibration Row written failed verification", restored, true},
      // The rollback's own writes refused too.
      {R"("kind": "nack", "occurrence": 2, "count": 3)", "Not able to Write Second Calibration row",
       "message: The failed write changed the calibration Dataflash and its previous contents "
       "could not be written back. The backup file ",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const std::string fault =
        R"(, "faults": [{"member": "WriteSMBusBlock", "command": "0x2F", )" + c.fault + "}]";
    Station s("RN44K18", fault);
    ASSERT_EQ(s.Run({"identify"}).status, 0);
    const std::string before = s.Flash();
    const CliResult r = s.Run({"calibrate", "board-offset"});
    EXPECT_EQ(r.status, 1);
    // The write's own messages, in their order, then the rollback's outcome last.
    const size_t own = r.err.find("message: " + c.own);
    const size_t summary = r.err.find("message: ", own + 1);
    const size_t outcome = r.err.rfind("message: ");
    ASSERT_NE(own, std::string::npos) << r.err;
    EXPECT_LT(own, summary);
    EXPECT_LT(summary, outcome);
    EXPECT_EQ(r.err.compare(outcome, c.last.size(), c.last), 0) << r.err;
    EXPECT_EQ(s.Flash() == before, c.restored);
    if (!c.restored) {
      ASSERT_EQ(s.Backups().size(), 1u);
      EXPECT_NE(r.err.find(s.Backups()[0] + " restores them"), std::string::npos);
      s.scenario = s.dir.Write("gauge.json", "{\"dataFlashFile\": \"df.hex\"}");
      const CliResult restore = s.Run({"restore", s.Backups()[0]});
      EXPECT_EQ(restore.status, 0) << restore.err;
      EXPECT_EQ(s.Flash(), before);
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
