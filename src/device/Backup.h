#pragma once
// Backup files of data flash contents, saved before the tool changes them: the calibration
// area as it was read before a calibration or restore writes it, and the rows an absolute
// write is about to change, and each block a parameter write is about to change. Each file names
// the gauge (family and identification texts) and carries the image in hex with its SHA-256, the
// time and the tool's version, as JSON.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace gaugecal {

// ParameterBlock: one page, subclass or row a parameter write changes (address: its first byte,
// or the subclass number where the family addresses subclasses).
enum class BackupKind { CalibrationArea, AbsoluteRows, ParameterBlock };

struct Backup {
  BackupKind kind = BackupKind::CalibrationArea;
  std::string family;  // "CEDV", "QSPAN", "RN44K18", "CEDV_PLUS"
  std::string IdDevice;
  std::string IdFirmware;
  std::string IdBuild;
  std::string IdExtra;
  int address = 0;  // data flash address of the image's first byte
  std::vector<uint8_t> image;
  std::string time;  // UTC, ISO 8601
  std::string toolVersion;
  std::string sha256;  // of the image, lower-case hex
};

// A backup of image, stamped now, for the gauge the module is set up for (family from
// CalConfig, identification texts as read).
Backup MakeBackup(BackupKind kind, int address, std::span<const uint8_t> image);

std::string Sha256Hex(std::span<const uint8_t> bytes);

// The folder backups go to: Module().backupDir when set, else $XDG_STATE_HOME/gaugecal/backups,
// else ~/.local/state/gaugecal/backups. Empty, with the reason, when there is none.
std::string BackupFolder(std::string& error);

// Writes the file (replacing one that exists) and flushes it to the disk before returning, so
// the backup exists before the gauge is touched. False and the reason on failure.
bool WriteBackupFile(const Backup& backup, const std::string& path, std::string& error);

// The same for any text: a regular file replaced, flushed to the disk.
bool WriteFileDurably(const std::string& text, const std::string& path, std::string& error);

// Saves into the backup folder under a new name (family, device, time); the path, or empty and
// the reason.
std::string SaveBackup(const Backup& backup, std::string& error);

// Largest backup file read; one holds a few kilobytes.
constexpr size_t kMaxBackupFileBytes = 1024 * 1024;

// Reads a backup file. False and the reason (to follow the path in a message) when it cannot
// be read, is no regular file or is not a backup; the hash is not checked here (HashMatches).
bool ReadBackupFile(const std::string& path, Backup& backup, std::string& error);

bool HashMatches(const Backup& backup);

}  // namespace gaugecal
