#include "cli/Progress.h"

#include <cstdio>

#include "platform/Platform.h"

namespace gaugecal::cli {

namespace {
constexpr int32_t kProgressIntervalMs = 200;
}

ProgressLine::ProgressLine(CliContext& context, std::string label)
    : context_(context), label_(std::move(label)) {
  if (!context_.terminal)
    return;
  startMs_ = context_.platform.ClockMs();
  Show();
  timer_ = context_.platform.StartTimer(kProgressIntervalMs, [this] { Show(); });
}

ProgressLine::~ProgressLine() {
  if (timer_ < 0)
    return;
  context_.platform.StopTimer(timer_);
  context_.out << "\r\033[K" << std::flush;  // leave no trace of the line
}

void ProgressLine::Show() {
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%.1f s",
                (context_.platform.ClockMs() - startMs_) / 1000.0);
  context_.out << "\r\033[K" << label_ << " ... " << elapsed << std::flush;
}

}  // namespace gaugecal::cli
