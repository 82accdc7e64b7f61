#pragma once
// A progress line for long waits on a terminal: a platform timer rewrites one line with the
// elapsed time while the gauge is being waited for, and the line is cleared at the end. The
// timer runs from the waits' event processing, so it needs no thread. Nothing is shown when
// the output is not a terminal.

#include <string>

#include "cli/Cli.h"

namespace gaugecal::cli {

class ProgressLine {
 public:
  ProgressLine(CliContext& context, std::string label);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

 private:
  void Show();

  CliContext& context_;
  std::string label_;
  double startMs_ = 0.0;
  int timer_ = -1;
};

}  // namespace gaugecal::cli
