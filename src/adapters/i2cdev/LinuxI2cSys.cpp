#include "adapters/i2cdev/LinuxI2cSys.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

extern "C" {
#include <i2c/smbus.h>
}

namespace gaugecal::adapters::i2cdev {

namespace {

constexpr const char* kDeviceDir = "/dev";
constexpr const char* kPrefix = "i2c-";

int Result(int result) {
  return result < 0 ? -errno : result;
}

// The bus number of "i2c-N", or -1.
int BusNumber(const std::string& name) {
  const std::string prefix = kPrefix;
  if (name.rfind(prefix, 0) != 0 || name.size() == prefix.size())
    return -1;
  const std::string digits = name.substr(prefix.size());
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stoi(digits);
}

}  // namespace

std::vector<std::string> LinuxI2cSys::ListBuses() {
  std::vector<std::pair<int, std::string>> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(kDeviceDir, ec)) {
    const std::string name = entry.path().filename().string();
    if (const int n = BusNumber(name); n >= 0)
      found.emplace_back(n, entry.path().string());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (const auto& [n, path] : found)
    paths.push_back(path);
  return paths;
}

std::string LinuxI2cSys::BusName(const std::string& path) {
  const std::string bus = std::filesystem::path(path).filename().string();
  std::ifstream in("/sys/class/i2c-dev/" + bus + "/name");
  std::string name;
  std::getline(in, name);
  return name;
}

int LinuxI2cSys::Lock(const std::string& path, std::unique_ptr<AdvisoryLock>& lock) {
  // The device node itself: every station opens it, whoever the user.
  return AdvisoryLock::Acquire(path, false, lock);
}

int LinuxI2cSys::Open(const std::string& path) {
  return Result(::open(path.c_str(), O_RDWR | O_CLOEXEC));
}

int LinuxI2cSys::Close(int fd) {
  return Result(::close(fd));
}

int LinuxI2cSys::Set(int fd, unsigned long request, unsigned long value) {
  return Result(::ioctl(fd, request, value));
}

int LinuxI2cSys::Funcs(int fd, unsigned long& funcs) {
  return Result(::ioctl(fd, I2C_FUNCS, &funcs));
}

int LinuxI2cSys::Rdwr(int fd, i2c_rdwr_ioctl_data& transfer) {
  return Result(::ioctl(fd, I2C_RDWR, &transfer));
}

int LinuxI2cSys::Smbus(int fd, char readWrite, uint8_t command, int size, i2c_smbus_data& data) {
  // libi2c returns -errno itself.
  const int result = i2c_smbus_access(fd, readWrite, command, size, &data);
  return result < 0 ? result : 0;
}

}  // namespace gaugecal::adapters::i2cdev
