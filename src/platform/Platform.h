#pragma once
// What the host operating system and user-interface toolkit give the plug-in: sleeps, the
// system timer, event processing, timers, message boxes, random numbers and file tests.
// Every wait, sleep and message box of the plug-in goes through this seam, so a virtual-time
// implementation can run whole calibrations instantly and deterministically.

#include <cstdint>
#include <functional>
#include <string>

namespace gaugecal {

class TraceLog;

enum class MsgIcon { None, Critical };

struct MessageRecord {
  std::string text;
  MsgIcon icon = MsgIcon::None;
  std::string title;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Operating-system sleep of the calling thread; no events are processed.
  virtual void Sleep(int32_t ms) = 0;

  // Seconds since local midnight, single precision, as the system timer reports them.
  virtual float Timer() = 0;

  // Runs the pending user-interface events and due timer callbacks. When nothing is pending it
  // may block up to maxBlockSeconds for the next event, so waiting loops do not spin a core.
  virtual void DoEvents(double maxBlockSeconds = 0.0) = 0;

  // Modal message box with an OK button.
  virtual void MsgBox(const std::string& text, MsgIcon icon = MsgIcon::None,
                      const std::string& title = std::string()) = 0;

  // Seeds the random source from the clock; Rnd() then yields values in [0, 1).
  virtual void Randomize() = 0;
  virtual double Rnd() = 0;

  virtual bool FileExists(const std::string& path) = 0;

  // Periodic timer on the user-interface thread; ticks run from DoEvents.
  virtual int StartTimer(int32_t intervalMs, std::function<void()> tick) = 0;
  virtual void StopTimer(int id) = 0;

  // Monotonic milliseconds, the time base of the bus trace.
  virtual double ClockMs() = 0;

  // Lets time pass for work that occupies the bus or the device (a simulated transfer); not
  // traced and runs no events.
  virtual void PassTime(double ms) = 0;

  // A diagnosis of the tool's own beyond the fixed message texts: a line on stderr in the
  // command-line tool, the status bar in a window; never a message box. Control characters in
  // the text are escaped, so it stays one line.
  void Warning(const std::string& text);
  std::function<void(const std::string&)> onWarning;

  // A stop asked for from outside the program (Ctrl-C, SIGTERM): work that writes the gauge asks
  // at its safe points and begins no new write once it is true. pollStop gives the stop signal
  // taken so far, or 0; the first stop seen is recorded in the bus trace ("Stop", its signal).
  bool StopRequested();
  int StopSignal() const { return stopSignal_; }
  std::function<int()> pollStop;

  // Message boxes shown and warnings given so far: a step that showed or gave any did not go
  // cleanly.
  int64_t MessageBoxCount() const { return messageBoxes_; }
  int64_t WarningCount() const { return warnings_; }

  // Where sleeps, waits and message boxes are recorded, or nullptr.
  void SetTrace(TraceLog* trace) { trace_ = trace; }
  TraceLog* Trace() const { return trace_; }

 protected:
  // Counts a message box and records it in the bus trace, when there is one.
  void TraceMessageBox(const MessageRecord& message);

 private:
  TraceLog* trace_ = nullptr;
  int64_t messageBoxes_ = 0;
  int64_t warnings_ = 0;
  int stopSignal_ = 0;
};

}  // namespace gaugecal
