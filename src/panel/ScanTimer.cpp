#include "panel/ScanTimer.h"

#include <utility>

#include "platform/Platform.h"

namespace gaugecal::panel {

ScanTimer::~ScanTimer() {
  Stop();
}

void ScanTimer::Bind(Platform* platform, std::function<void()> tick) {
  Stop();
  platform_ = platform;
  tick_ = std::move(tick);
  if (Enabled())
    Start();
}

void ScanTimer::EnabledChanged() {
  if (Enabled())
    Start();
  else
    Stop();
}

void ScanTimer::Start() {
  if (platform_ && tick_ && timerId_ < 0)
    timerId_ = platform_->StartTimer(Value(), [this] { tick_(); });
}

void ScanTimer::Stop() {
  if (platform_ && timerId_ >= 0)
    platform_->StopTimer(timerId_);
  timerId_ = -1;
}

}  // namespace gaugecal::panel
