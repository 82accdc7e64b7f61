#include "device/Backup.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "device/HexText.h"
#include "device/ModuleState.h"
#include "platform/BoundedFile.h"

#ifndef GAUGECAL_TOOL_VERSION
#define GAUGECAL_TOOL_VERSION "0.0.0"
#endif

namespace gaugecal {

namespace {

constexpr const char* kFormat = "gaugecal data flash backup";
constexpr int kFormatVersion = 1;

const char* KindName(BackupKind kind) {
  switch (kind) {
    case BackupKind::CalibrationArea:
      return "calibration area";
    case BackupKind::AbsoluteRows:
      return "absolute rows";
    case BackupKind::ParameterBlock:
      break;
  }
  return "parameter block";
}

// Wall-clock time for the record; the platform's timer only knows seconds since midnight.
std::string UtcStamp(const char* format) {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
  gmtime_r(&now, &utc);
  std::array<char, 32> text{};
  std::strftime(text.data(), text.size(), format, &utc);
  return text.data();
}

std::string EnvDir(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

// Keeps only characters that are safe in a file name.
std::string FileNamePart(const std::string& text) {
  std::string out;
  for (char c : text)
    out += std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' ? c : '-';
  return out.empty() ? "unknown" : out;
}

nlohmann::ordered_json ToJson(const Backup& b) {
  nlohmann::ordered_json j;
  j["format"] = kFormat;
  j["version"] = kFormatVersion;
  j["kind"] = KindName(b.kind);
  j["family"] = b.family;
  j["identification"] = {{"IdDevice", b.IdDevice},
                         {"IdFirmware", b.IdFirmware},
                         {"IdBuild", b.IdBuild},
                         {"IdExtra", b.IdExtra}};
  j["address"] = b.address;
  j["image"] = HexBytes(b.image);
  j["sha256"] = b.sha256;
  j["time"] = b.time;
  j["toolVersion"] = b.toolVersion;
  return j;
}

}  // namespace

std::string Sha256Hex(std::span<const uint8_t> bytes) {
  std::array<uint8_t, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
  std::string hex = HexBytes(std::span<const uint8_t>(digest.data(), length));
  for (char& c : hex)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return hex;
}

Backup MakeBackup(BackupKind kind, int address, std::span<const uint8_t> image) {
  const ModuleState& m = Module();
  Backup b;
  b.kind = kind;
  b.family = DfTypeName(m.calConfig.DFType);
  b.IdDevice = m.IdDevice;
  b.IdFirmware = m.IdFirmware;
  b.IdBuild = m.IdBuild;
  b.IdExtra = m.IdExtra;
  b.address = address;
  b.image.assign(image.begin(), image.end());
  b.time = UtcStamp("%Y-%m-%dT%H:%M:%SZ");
  b.toolVersion = GAUGECAL_TOOL_VERSION;
  b.sha256 = Sha256Hex(b.image);
  return b;
}

std::string BackupFolder(std::string& error) {
  if (!Module().backupDir.empty())
    return Module().backupDir;
  if (const std::string state = EnvDir("XDG_STATE_HOME"); !state.empty())
    return state + "/gaugecal/backups";
  if (const std::string home = EnvDir("HOME"); !home.empty())
    return home + "/.local/state/gaugecal/backups";
  error = "neither XDG_STATE_HOME nor HOME names a folder";
  return {};
}

bool WriteBackupFile(const Backup& backup, const std::string& path, std::string& error) {
  return WriteFileDurably(ToJson(backup).dump(2) + "\n", path, error);
}

bool WriteFileDurably(const std::string& text, const std::string& path, std::string& error) {
  // Writes only a regular file, and never waits on a pipe without a reader.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    error = "not a regular file";
    return false;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(fd, 0) != 0) {
    error = S_ISREG(st.st_mode) ? std::strerror(errno) : "not a regular file";
    ::close(fd);
    return false;
  }
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  // The file must survive a crash or power loss during the write that follows.
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

std::string SaveBackup(const Backup& backup, std::string& error) {
  const std::string folder = BackupFolder(error);
  if (folder.empty())
    return {};
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = folder + ": " + ec.message();
    return {};
  }
  const std::string stem = folder + "/" + FileNamePart(backup.family) + "-" +
                           FileNamePart(backup.IdDevice) + "-" + UtcStamp("%Y%m%d-%H%M%S");
  // Several backups in one second (a calibration, then a restore) each keep their own file.
  for (int n = 1; n < 1000; ++n) {
    const std::string path = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".json";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST)
      continue;
    if (fd < 0) {
      error = path + ": " + std::strerror(errno);
      return {};
    }
    ::close(fd);
    if (!WriteBackupFile(backup, path, error)) {
      error = path + ": " + error;
      return {};
    }
    Module().backupsSaved.push_back({path, backup.kind == BackupKind::CalibrationArea});
    if (Module().onBackupSaved)
      Module().onBackupSaved(Module().backupsSaved.back());
    return path;
  }
  error = stem + ": too many backups in one second";
  return {};
}

bool ReadBackupFile(const std::string& path, Backup& backup, std::string& error) {
  // A backup is a few kilobytes; a pipe or device in its place is refused, not waited on.
  std::string text;
  if (!ReadBoundedFile(path, kMaxBackupFileBytes, text, error))
    return false;
  const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  const bool isBackup = j.is_object() && j.contains("format") && j["format"] == kFormat;
  if (!isBackup) {
    error = "is not a gaugecal data flash backup";
    return false;
  }
  try {
    Backup b;
    const std::string kind = j.at("kind").get<std::string>();
    bool known = false;
    for (BackupKind k :
         {BackupKind::CalibrationArea, BackupKind::AbsoluteRows, BackupKind::ParameterBlock}) {
      if (kind == KindName(k)) {
        b.kind = k;
        known = true;
      }
    }
    if (!known)
      throw std::runtime_error("unknown \"kind\"");
    b.family = j.at("family").get<std::string>();
    const nlohmann::json& id = j.at("identification");
    b.IdDevice = id.at("IdDevice").get<std::string>();
    b.IdFirmware = id.at("IdFirmware").get<std::string>();
    b.IdBuild = id.at("IdBuild").get<std::string>();
    b.IdExtra = id.at("IdExtra").get<std::string>();
    b.address = j.at("address").get<int>();
    if (!ParseHexBytes(j.at("image").get<std::string>(), b.image))
      throw std::runtime_error("\"image\" is not hexadecimal");
    b.sha256 = j.at("sha256").get<std::string>();
    b.time = j.value("time", "");
    b.toolVersion = j.value("toolVersion", "");
    backup = std::move(b);
  } catch (const std::exception& e) {
    error = std::string("is not a complete backup: ") + e.what();
    return false;
  }
  return true;
}

bool HashMatches(const Backup& backup) {
  return Sha256Hex(backup.image) == backup.sha256;
}

}  // namespace gaugecal
