#pragma once
// Periodic timers shared by the platform implementations: which callbacks are due at a given
// clock reading, and when the next one falls due.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace gaugecal {

class TimerQueue {
 public:
  int Start(int32_t intervalMs, double nowMs, std::function<void()> tick);
  void Stop(int id);

  // Runs every callback due at nowMs once (a late timer does not catch up on missed ticks).
  void RunDue(double nowMs);
  std::optional<double> NextDueMs() const;

 private:
  struct Entry {
    int32_t intervalMs;
    double dueMs;
    std::function<void()> tick;
  };
  std::map<int, Entry> timers_;
  int nextId_ = 1;
};

}  // namespace gaugecal
