#pragma once
// The start-up options of morvane; the bus options are those of the command-line tool.

#include <optional>
#include <ostream>
#include <string>

#include "session/BusSession.h"

namespace gaugecal::host {

struct HostOptions {
  session::BusOptions bus;
  bool virtualTime = false;
  std::string appDir;        // resolved, with a trailing separator
  std::string screenshots;   // a folder: render every tab and page there, then quit
  std::string station;       // station profile file, "emulated", or empty: references typed
  std::string records;       // --records: as the command-line tool takes it; empty: the default
  std::string operatorName;  // --operator
};

// Parses what Qt left of the command line. An exit status when the program ends here (help,
// version, a usage error), nothing when it runs.
std::optional<int> ParseHostOptions(int argc, char** argv, HostOptions& options, std::ostream& out,
                                    std::ostream& err);

}  // namespace gaugecal::host
