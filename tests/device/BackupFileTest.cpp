// Backup files on the disk: which folder they go to, that backups in one second never
// overwrite one another, that what is saved reads back with its hash, and that neither a
// save nor a read waits on a pipe in place of a file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include "device/Backup.h"
#include "device/ModuleState.h"
#include "support/Bench.h"

namespace gaugecal {
namespace {

// Sets or clears an environment variable for one scope.
class EnvScope {
 public:
  EnvScope(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name))
      old_ = old;
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  }
  ~EnvScope() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(BackupFolder, TheOptionThenXdgStateHomeThenHomeAndOnlyAbsolutePaths) {
  using Env = std::optional<std::string>;
  const struct {
    std::string option;
    Env state;
    Env home;
    std::string folder;  // empty: none, with a reason
  } cases[] = {
      {"/bench/backups", "/state", "/home/t", "/bench/backups"},
      {"", "/state", "/home/t", "/state/gaugecal/backups"},
      {"", std::nullopt, "/home/t", "/home/t/.local/state/gaugecal/backups"},
      {"", "relative/state", "/home/t", "/home/t/.local/state/gaugecal/backups"},
      {"", "", "/home/t", "/home/t/.local/state/gaugecal/backups"},
      {"", std::nullopt, "relative", ""},
      {"", std::nullopt, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option + " " + c.state.value_or("(unset)") + " " + c.home.value_or("(unset)"));
    ResetModule();
    Module().backupDir = c.option;
    const EnvScope state("XDG_STATE_HOME", c.state);
    const EnvScope home("HOME", c.home);
    std::string error;
    EXPECT_EQ(BackupFolder(error), c.folder);
    EXPECT_EQ(error.empty(), !c.folder.empty()) << error;
  }
  ResetModule();
}

TEST(BackupFile, BackupsInOneSecondKeepTheirOwnFilesAndReadBackWhole) {
  const test::TempDir dir;
  ResetModule();
  Module().backupDir = dir.Path("backups");
  Module().IdDevice = "A05";
  const std::vector<uint8_t> image = {0x50, 0x00, 0xFF, 0x0A, 0x7F};
  std::set<std::string> files;
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> changed = image;
    changed[0] = static_cast<uint8_t>(i);
    std::string error;
    const std::string file = SaveBackup(MakeBackup(BackupKind::AbsoluteRows, 32, changed), error);
    ASSERT_FALSE(file.empty()) << error;
    files.insert(file);
    Backup read;
    ASSERT_TRUE(ReadBackupFile(file, read, error)) << error;
    EXPECT_EQ(read.image, changed);
    EXPECT_EQ(read.address, 32);
    EXPECT_EQ(read.kind, BackupKind::AbsoluteRows);
    EXPECT_EQ(read.IdDevice, "A05");
    EXPECT_TRUE(HashMatches(read));
  }
  EXPECT_EQ(files.size(), 3u) << "a later backup must not overwrite an earlier one";

  const std::string fifo = dir.Path("fifo.json");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string error;
  EXPECT_FALSE(WriteBackupFile(MakeBackup(BackupKind::CalibrationArea, 0, image), fifo, error));
  EXPECT_EQ(error, "not a regular file");
  Backup read;
  EXPECT_FALSE(ReadBackupFile(fifo, read, error));
  EXPECT_EQ(error, "is not a regular file");
  ResetModule();
}

}  // namespace
}  // namespace gaugecal
