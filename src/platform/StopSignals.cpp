#include "platform/StopSignals.h"

#include <pthread.h>

#include <ctime>

namespace gaugecal {

StopSignals::StopSignals() {
  sigemptyset(&stops_);
  sigaddset(&stops_, SIGINT);
  sigaddset(&stops_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stops_, &previous_);
}

StopSignals::~StopSignals() {
  Poll();
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

int StopSignals::Poll() {
  const timespec now{};
  // Every pending one is taken; the first one counts.
  for (int signal = sigtimedwait(&stops_, nullptr, &now); signal > 0;
       signal = sigtimedwait(&stops_, nullptr, &now)) {
    if (taken_ == 0)
      taken_ = signal;
  }
  return taken_;
}

const char* StopSignals::Name(int signal) {
  return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal";
}

}  // namespace gaugecal
