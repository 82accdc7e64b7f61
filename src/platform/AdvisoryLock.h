#pragma once
// An exclusive advisory lock on a file or device node, held while the object lives: one
// station per bus adapter or simulated gauge. Another process that asks for the same lock is
// refused at once instead of waiting; the system drops the lock when the holder exits, also
// when it crashes.

#include <memory>
#include <string>

namespace gaugecal {

class AdvisoryLock {
 public:
  // Locks path (created when createFile and it does not exist): 0 and the lock, or -errno:
  // -EWOULDBLOCK when another process holds it, another value when the file cannot be opened
  // or locked.
  static int Acquire(const std::string& path, bool createFile, std::unique_ptr<AdvisoryLock>& lock);
  ~AdvisoryLock();
  AdvisoryLock(const AdvisoryLock&) = delete;
  AdvisoryLock& operator=(const AdvisoryLock&) = delete;

 private:
  explicit AdvisoryLock(int fd) : fd_(fd) {}
  int fd_;
};

// The end of the message of a station refused because another one holds the adapter.
inline constexpr const char* kStationInUse =
    " is in use by another gaugecal or morvane; nothing was done";

}  // namespace gaugecal
