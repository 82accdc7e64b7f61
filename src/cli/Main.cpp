#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Adapter.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "device/ModuleState.h"
#include "device/TracingHostLink.h"
#include "platform/RealtimePlatform.h"
#include "platform/TraceLog.h"
#include "platform/VirtualPlatform.h"

#ifndef GAUGECAL_VERSION
#define GAUGECAL_VERSION "0.0.0"
#endif
#ifndef GAUGECAL_SAMPLE_APPDIR
#define GAUGECAL_SAMPLE_APPDIR "appdir"
#endif

namespace gaugecal::cli {

namespace {

constexpr int16_t kGaugeAddress = 0x17;

// The global options. They may come before or after the command: the tool lets options its
// command does not know fall through to it. Given twice, the last one counts.
void AddGlobalOptions(CLI::App& tool, GlobalOptions& options) {
  tool.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  tool.fallthrough();
  tool.require_subcommand(1);
  tool.add_option("--adapter", options.adapter,
                  "bus adapter: sim:CEDV, sim:QSPAN, sim:RN44K18 (default), sim:CEDV_PLUS")
      ->type_name("NAME");
  tool.add_option("--sim-scenario", options.simScenario, "scenario file for the simulated gauge")
      ->type_name("FILE");
  tool.add_flag("--virtual-time", options.virtualTime,
                "run on a virtual clock: waits take no real time");
  tool.add_option("--trace", options.traceFile,
                  "write the bus trace (one JSON object per line) to FILE")
      ->type_name("FILE");
  tool.add_option("--appdir", options.appDir,
                  "application directory with config.ini and Morvane.ini")
      ->type_name("DIR");
  tool.add_option("--backup-dir", options.backupDir,
                  "folder for the backups saved before data flash writes (default "
                  "$XDG_STATE_HOME/gaugecal/backups, else ~/.local/state/gaugecal/backups)")
      ->type_name("DIR");
  tool.add_flag("--json", options.json, "print results as JSON");
  tool.set_version_flag("--version", std::string("gaugecal ") + GAUGECAL_VERSION);
}

void PrintMessage(std::ostream& err, const MessageRecord& m) {
  err << (m.icon == MsgIcon::Critical ? "message (critical): " : "message: ") << m.text << "\n";
  err.flush();
}

}  // namespace

int Main(int argc, char** argv, std::ostream& out, std::ostream& err) {
  // The whole command line is parsed and checked before anything is opened or written.
  GlobalOptions options;
  CLI::App tool("Calibration and security bench tool for smart-battery fuel gauges.", "gaugecal");
  AddGlobalOptions(tool, options);
  CommandSet commands(tool);
  AddCommands(commands);
  try {
    tool.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      tool.exit(e, out, err);  // --help or --version
      return kExitOk;
    }
    // A mistyped command leaves CLI11 saying only that a command is required; name the word.
    const std::vector<std::string> unknown = tool.remaining();
    const bool unknownCommand = dynamic_cast<const CLI::RequiredError*>(&e) != nullptr &&
                                tool.get_subcommands().empty() && !unknown.empty();
    err << "gaugecal: " << (unknownCommand ? CLI::ExtrasError(unknown).what() : e.what()) << "\n";
    return kExitUsage;
  }
  const auto [command, run] = commands.Chosen();
  const std::string name = command->get_name();

  std::vector<MessageRecord> messages;
  const auto onMessage = [&err, &messages](const MessageRecord& m) {
    messages.push_back(m);
    PrintMessage(err, m);
  };
  std::unique_ptr<Platform> platform;
  if (options.virtualTime) {
    auto p = std::make_unique<VirtualPlatform>();
    p->onMessage = onMessage;
    platform = std::move(p);
  } else {
    auto p = std::make_unique<RealtimePlatform>();
    p->onMessage = onMessage;
    platform = std::move(p);
  }

  // The adapter first: a bad scenario file must not truncate an earlier trace file.
  std::string error;
  bool inUse = false;
  std::unique_ptr<HostLink> adapter =
      OpenAdapter(options.adapter, options.simScenario, *platform, error, inUse);
  if (!adapter) {
    err << "gaugecal: " << error << "\n";
    // Another station works on this adapter: not a usage error, and nothing was touched.
    return inUse ? kExitFailed : kExitUsage;
  }

  std::ofstream traceStream;
  std::unique_ptr<TraceLog> trace;
  if (!options.traceFile.empty()) {
    traceStream.open(options.traceFile, std::ios::trunc);
    if (!traceStream) {
      err << "gaugecal: cannot write the trace file " << options.traceFile << "\n";
      return kExitUsage;
    }
    Platform* clock = platform.get();
    trace = std::make_unique<TraceLog>(traceStream, [clock] { return clock->ClockMs(); });
    platform->SetTrace(trace.get());
  }

  std::unique_ptr<HostLink> traced;
  HostLink* link = adapter.get();
  if (trace) {
    traced = std::make_unique<TracingHostLink>(*adapter, *trace);
    link = traced.get();
  }

  std::string appDir = options.appDir.empty() ? GAUGECAL_SAMPLE_APPDIR : options.appDir;
  if (!appDir.empty() && appDir.back() != '/')
    appDir += '/';

  ResetModule();
  Module().platform = platform.get();
  Module().hostLink = link;
  Module().SmbAddress = kGaugeAddress;
  Module().backupDir = options.backupDir;

  // Progress lines only for a person watching the real standard output.
  const bool terminal = &out == &std::cout && isatty(STDOUT_FILENO) == 1;
  CliContext context{options, *platform, *link, *adapter, out, err, appDir, terminal, messages};
  int status = kExitFailed;
  try {
    status = (*run)(context);
  } catch (const std::exception& e) {
    err << "gaugecal: " << name << " failed: " << e.what() << "\n";
  }
  platform->SetTrace(nullptr);
  ResetModule();
  return status;
}

}  // namespace gaugecal::cli
