#include "platform/AdvisoryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace gaugecal {

std::unique_ptr<AdvisoryLock> AdvisoryLock::Acquire(const std::string& path, bool createFile,
                                                    Outcome& outcome, std::string& error) {
  // Read access is enough for flock, and a device node may not grant more.
  const int flags = O_RDONLY | O_CLOEXEC | (createFile ? O_CREAT : 0);
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) {
    outcome = Outcome::Failed;
    error = std::strerror(errno);
    return nullptr;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int why = errno;
    ::close(fd);
    outcome = why == EWOULDBLOCK ? Outcome::InUse : Outcome::Failed;
    error = std::strerror(why);
    return nullptr;
  }
  outcome = Outcome::Held;
  return std::unique_ptr<AdvisoryLock>(new AdvisoryLock(fd));
}

AdvisoryLock::~AdvisoryLock() {
  ::close(fd_);
}

}  // namespace gaugecal
