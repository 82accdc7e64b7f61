#include "device/ModuleState.h"

#include "platform/Platform.h"

namespace gaugecal {

ModuleState& Module() {
  static ModuleState state;
  return state;
}

void ResetModule() {
  Module() = ModuleState{};
}

void ShowMessage(const std::string& text) {
  if (Module().platform && Module().quietMessages == 0)
    Module().platform->MsgBox(text);
}

void ShowCriticalMessage(const std::string& text) {
  if (Module().platform && Module().quietMessages == 0)
    Module().platform->MsgBox(text, MsgIcon::Critical);
}

void ShowWarning(const std::string& text) {
  if (Module().platform)
    Module().platform->Warning(text);
}

void ReportStep(LongStep step, int sample, int samples) {
  if (Module().onStep)
    Module().onStep({step, sample, samples});
}

}  // namespace gaugecal
