#pragma once
// Each reference the station measured, as a line of the command's text output:
// "reference: Cell 1 + 2 = 7799.2 mV (dmm, mean of 10)". Not in JSON output.

#include "cli/Cli.h"
#include "session/BenchCalibration.h"
#include "session/Station.h"

namespace gaugecal::cli {

inline session::ReferenceShown ReferenceLines(CliContext& c) {
  return [&c](const std::string& name, const session::MeasuredReference& m) {
    if (!c.options.json)
      c.out << "reference: " << name << " = " << m.text << " " << m.unit << " (" << m.from << ")\n";
  };
}

}  // namespace gaugecal::cli
