#include "platform/BoundedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace gaugecal {

namespace {

// Closes the descriptor on every way out.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0)
      ::close(fd);
  }
};

std::string Failed(int error) {
  if (error == ENOENT)
    return "does not exist";
  return std::string("cannot be read (") + std::strerror(error) + ")";
}

std::string TooLarge(size_t maxBytes) {
  return "is larger than " + std::to_string(maxBytes) + " bytes";
}

}  // namespace

bool ReadBoundedFile(const std::string& path, size_t maxBytes, std::string& text,
                     std::string& problem) {
  text.clear();
  if (path.empty()) {
    problem = "no file name given";
    return false;
  }
  // Non-blocking, so that opening a named pipe without a writer returns at once; the type test
  // then runs on what was opened, not on a second look-up of the path.
  const Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
  if (file.fd < 0) {
    problem = Failed(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) {
    problem = Failed(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    problem = "is a directory";
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    problem = "is not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(info.st_size) > maxBytes) {
    problem = TooLarge(maxBytes);
    return false;
  }
  // The file may grow while it is read: never take more than the limit and one byte.
  text.resize(static_cast<size_t>(info.st_size));
  size_t used = 0;
  for (;;) {
    if (used == text.size())
      text.resize(std::min(maxBytes + 1, used + 4096));
    const ssize_t n = ::read(file.fd, text.data() + used, text.size() - used);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0) {
      problem = Failed(errno);
      text.clear();
      return false;
    }
    if (n == 0)
      break;
    used += static_cast<size_t>(n);
    if (used > maxBytes) {
      problem = TooLarge(maxBytes);
      text.clear();
      return false;
    }
  }
  text.resize(used);
  problem.clear();
  return true;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace gaugecal
