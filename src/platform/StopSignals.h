#pragma once
// Ctrl-C (SIGINT) and SIGTERM as a request to stop at the next safe point rather than an end
// in the middle of a data flash write. While an object of this class lives, the two signals
// are blocked in the calling thread and in the threads it starts, so they stay pending until
// Poll takes them. No handler runs: nothing is touched from inside a signal.

#include <csignal>

namespace gaugecal {

class StopSignals {
 public:
  StopSignals();
  // Takes any signal still pending, so it does not end the process once unblocked, and
  // restores the signal mask.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The first stop signal taken so far, taking the pending ones; 0 when none came.
  int Poll();

  // "SIGINT", "SIGTERM".
  static const char* Name(int signal);

 private:
  sigset_t stops_{};
  sigset_t previous_{};
  int taken_ = 0;
};

}  // namespace gaugecal
