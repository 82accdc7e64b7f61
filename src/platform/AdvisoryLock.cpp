#include "platform/AdvisoryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace gaugecal {

int AdvisoryLock::Acquire(const std::string& path, bool createFile,
                          std::unique_ptr<AdvisoryLock>& lock) {
  // Read access is enough for flock, and a device node may not grant more. Never waits: a
  // FIFO in place of a file opens at once and is refused by whoever reads it.
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (createFile ? O_CREAT : 0);
  const int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0)
    return -errno;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int why = errno;
    ::close(fd);
    return -why;
  }
  lock.reset(new AdvisoryLock(fd));
  return 0;
}

AdvisoryLock::~AdvisoryLock() {
  ::close(fd_);
}

}  // namespace gaugecal
