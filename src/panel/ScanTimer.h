#pragma once
// The panel's periodic timer as a control: on or off and an interval. While it is on, a
// platform timer calls the panel's tick; the host's event processing runs it, so a tick can
// come while the panel waits for the gauge.

#include <functional>

#include "panel/Control.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::panel {

class ScanTimer : public Control {
 public:
  ~ScanTimer() override;

  // What runs on every tick, and the platform whose timers drive it (none: the timer keeps
  // its state and nothing fires).
  void Bind(Platform* platform, std::function<void()> tick);

 protected:
  void EnabledChanged() override;

 private:
  void Start();
  void Stop();

  Platform* platform_ = nullptr;
  std::function<void()> tick_;
  int timerId_ = -1;
};

}  // namespace gaugecal::panel
