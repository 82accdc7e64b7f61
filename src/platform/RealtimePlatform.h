#pragma once
// Real-time platform used by the tools: the thread really sleeps, the system timer is the
// local time of day, and event processing blocks until the next timer or the caller's limit
// instead of spinning, so a long wait costs almost no CPU.

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "platform/Platform.h"
#include "platform/TimerQueue.h"

namespace gaugecal {

class RealtimePlatform : public Platform {
 public:
  RealtimePlatform();

  void Sleep(int32_t ms) override;
  float Timer() override;
  void DoEvents(double maxBlockSeconds = 0.0) override;
  void MsgBox(const std::string& text, MsgIcon icon = MsgIcon::None,
              const std::string& title = std::string()) override;
  void Randomize() override;
  double Rnd() override;
  bool FileExists(const std::string& path) override;
  int StartTimer(int32_t intervalMs, std::function<void()> tick) override;
  void StopTimer(int id) override;
  double ClockMs() override;
  void PassTime(double ms) override;

  // A command-line tool prints message boxes; a test may collect them.
  std::function<void(const MessageRecord&)> onMessage;
  const std::vector<MessageRecord>& Messages() const { return messages_; }

 private:
  std::mt19937_64 rng_;
  TimerQueue timers_;
  std::vector<MessageRecord> messages_;
};

}  // namespace gaugecal
