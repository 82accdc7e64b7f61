#include "platform/TimerQueue.h"

#include <algorithm>
#include <vector>

namespace gaugecal {

int TimerQueue::Start(int32_t intervalMs, double nowMs, std::function<void()> tick) {
  const int id = nextId_++;
  const int32_t interval = std::max<int32_t>(intervalMs, 1);
  timers_[id] = Entry{interval, nowMs + interval, std::move(tick)};
  return id;
}

void TimerQueue::Stop(int id) {
  timers_.erase(id);
}

void TimerQueue::RunDue(double nowMs) {
  std::vector<int> due;
  for (const auto& [id, entry] : timers_) {
    if (entry.dueMs <= nowMs)
      due.push_back(id);
  }
  for (int id : due) {
    auto it = timers_.find(id);
    if (it == timers_.end())
      continue;  // stopped by an earlier callback
    it->second.dueMs = nowMs + it->second.intervalMs;
    auto tick = it->second.tick;  // the callback may stop or restart its own timer
    tick();
  }
}

std::optional<double> TimerQueue::NextDueMs() const {
  std::optional<double> next;
  for (const auto& [id, entry] : timers_) {
    if (!next || entry.dueMs < *next)
      next = entry.dueMs;
  }
  return next;
}

}  // namespace gaugecal
