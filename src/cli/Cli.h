#pragma once
// The gaugecal command-line tool: global options, the session they open (platform, bus
// adapter, trace) and the commands, one small file each under commands/ (see Commands.h).

#include <ostream>
#include <string>
#include <vector>

#include "cli/RunReport.h"
#include "platform/Platform.h"

namespace gaugecal {
class HostLink;
class Platform;
}  // namespace gaugecal

namespace gaugecal::sim {
class SimulatedGauge;
}

namespace gaugecal::session {
class Station;
}

namespace gaugecal::cli {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;  // SIGINT or SIGTERM, after a stop at a safe point

struct GlobalOptions {
  std::string adapter = "sim:RN44K18";
  std::string simScenario;  // scenario file for a simulated gauge
  bool virtualTime = false;
  std::string traceFile;
  std::string appDir;        // empty: the sample application directory
  std::string backupDir;     // empty: the default backup folder
  std::string station;       // station profile file, "emulated", or empty: references typed
  std::string records;       // record store: file, postgresql:// URL, "none"; empty: the default
  std::string operatorName;  // who calibrates; empty: GAUGECAL_OPERATOR, else the login name
  bool json = false;
};

// What a command works with. The module state already holds the platform and the host link
// (traced when --trace is given) and the SMBus address 0x17.
struct CliContext {
  GlobalOptions options;
  Platform& platform;
  HostLink* link;              // nullptr for a command that opens no gauge (scan)
  sim::SimulatedGauge* gauge;  // the simulated gauge behind the adapter; nullptr on hardware
  std::ostream& out;
  std::ostream& err;
  std::string appDir;     // resolved, with a trailing separator
  bool terminal = false;  // stdout is a terminal: progress lines may be shown
  RunReport& report;      // messages, warnings and errors so far; the JSON result fields
  session::Station* station = nullptr;  // the bench of --station, opened
};

// Runs the tool; returns the exit status.
int Main(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace gaugecal::cli
