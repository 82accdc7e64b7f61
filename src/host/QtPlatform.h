#pragma once
// The platform of the host application: operating-system sleeps, the system timer, timers on
// the Qt event loop and modal message boxes. A wait lets the event loop run in slices of at
// most kSliceMs that block in the event dispatcher, so the window stays responsive and no core
// spins. With virtual time, sleeps and waits take no real time (the clock jumps) while timers
// still run on the event loop.

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "platform/RealtimePlatform.h"

namespace gaugecal::host {

class QtPlatform : public Platform {
 public:
  static constexpr int kSliceMs = 50;

  explicit QtPlatform(bool virtualTime = false);
  ~QtPlatform() override;

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

  // Set, message boxes go here instead of a modal dialog (tests answer them this way).
  std::function<void(const MessageRecord&)> answer;
  // A question box with Yes and No, No the default; true is Yes. Set, questions go to
  // question instead (tests answer them this way).
  bool Ask(const std::string& text);
  std::function<bool(const std::string&)> question;
  const std::vector<MessageRecord>& Messages() const { return messages_; }

  // Milliseconds the current stretch of waiting for the gauge has lasted, or a negative value
  // when nothing waits; the window shows progress from it.
  double WaitingMs();
  // A wait of the device layer is running: the event loop runs inside a panel's handler.
  bool InWait() const { return depth_ > 0; }

 private:
  bool virtual_;
  double offsetMs_ = 0.0;  // virtual time passed
  RealtimePlatform os_;
  QObject timerOwner_;
  std::map<int, QTimer*> timers_;
  int nextTimer_ = 1;
  std::vector<MessageRecord> messages_;
  int depth_ = 0;
  double waitSinceMs_ = -1.0;
  double lastWaitMs_ = -1.0;
};

}  // namespace gaugecal::host
