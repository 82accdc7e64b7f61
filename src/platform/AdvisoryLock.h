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
  enum class Outcome { Held, InUse, Failed };

  // Locks path (created when createFile and it does not exist). nullptr with InUse when
  // another process holds it, Failed with the reason when the file cannot be opened or locked.
  static std::unique_ptr<AdvisoryLock> Acquire(const std::string& path, bool createFile,
                                               Outcome& outcome, std::string& error);
  ~AdvisoryLock();
  AdvisoryLock(const AdvisoryLock&) = delete;
  AdvisoryLock& operator=(const AdvisoryLock&) = delete;

 private:
  explicit AdvisoryLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace gaugecal
