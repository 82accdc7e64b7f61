#pragma once
// Virtual-time platform for tests and the --virtual-time option: a clock that starts at a
// chosen time of day, sleeps and waits that advance it at once, timers that fire when events
// are processed, and message boxes that are recorded instead of shown.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Platform.h"
#include "platform/TimerQueue.h"

namespace gaugecal {

class VirtualPlatform : public Platform {
 public:
  explicit VirtualPlatform(double startSecondsOfDay = 9 * 3600.0, uint64_t seed = 1);

  void Sleep(int32_t ms) override;
  float Timer() override;
  void DoEvents(double maxBlockSeconds = 0.0) override;
  void MsgBox(const std::string& text, MsgIcon icon = MsgIcon::None,
              const std::string& title = std::string()) override;
  void Randomize() override {}  // stays on its seed so runs repeat exactly
  double Rnd() override;
  bool FileExists(const std::string& path) override;
  int StartTimer(int32_t intervalMs, std::function<void()> tick) override;
  void StopTimer(int id) override;
  double ClockMs() override { return nowMs_; }
  void PassTime(double ms) override;

  // Message boxes shown so far, in order; onMessage sees each one as it is shown.
  const std::vector<MessageRecord>& Messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  std::function<void(const MessageRecord&)> onMessage;

 private:
  double startSecondsOfDay_;
  double nowMs_ = 0.0;
  uint64_t rng_;
  TimerQueue timers_;
  std::vector<MessageRecord> messages_;
};

}  // namespace gaugecal
