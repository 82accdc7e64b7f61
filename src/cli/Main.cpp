#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/InputFiles.h"
#include "cli/RunReport.h"
#include "device/ModuleState.h"
#include "platform/RealtimePlatform.h"
#include "platform/StopSignals.h"
#include "platform/VirtualPlatform.h"
#include "session/AppDirectory.h"
#include "session/BenchCalibration.h"
#include "session/BusSession.h"
#include "session/RunRecorder.h"
#include "session/Station.h"

#ifndef GAUGECAL_VERSION
#define GAUGECAL_VERSION "0.0.0"
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
                  "bus adapter: sim:FAMILY (default sim:RN44K18), i2c:/dev/i2c-N, "
                  "cp2112[:SERIAL], i2c-sim:FAMILY, cp2112-sim:FAMILY; FAMILY is CEDV, QSPAN, "
                  "RN44K18 or CEDV_PLUS; options after commas: pec, timeout=MS, retries=N, "
                  "clock=HZ (docs/hardware.md)")
      ->type_name("NAME");
  tool.add_option("--sim-scenario", options.simScenario,
                  "scenario file for the simulated gauge (sim:, i2c-sim:, cp2112-sim:)")
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
  tool.add_option("--station", options.station,
                  "station profile: the bench instruments that measure the references "
                  "(docs/instruments.md); emulated: the built-in emulated bench on a "
                  "simulated gauge")
      ->type_name("FILE|emulated");
  tool.add_option("--records", options.records, session::kRecordsOptionHelp)->type_name("TARGET");
  tool.add_option("--operator", options.operatorName, session::kOperatorOptionHelp)
      ->type_name("NAME");
  tool.add_flag("--json", options.json, "print results as JSON");
  tool.set_version_flag("--version", std::string("gaugecal ") + GAUGECAL_VERSION);
}

// What the standard output is, for the line that says it could not be written.
std::string OutputName(const std::ostream& out) {
  if (&out != &std::cout)
    return "the output";
  std::error_code ec;
  const auto target = std::filesystem::read_symlink("/proc/self/fd/1", ec);
  return "standard output" + (ec ? std::string() : " (" + target.string() + ")");
}

// A parse error quotes the arguments it did not expect; the value of a --key is a secret and
// is shown as asterisks.
std::string WithoutKeys(std::string text, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string key;
    if (arg == "--key" && i + 1 < argc)
      key = argv[i + 1];
    else if (arg.rfind("--key=", 0) == 0)
      key = arg.substr(6);
    if (key.empty())
      continue;
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at))
      text.replace(at, key.size(), std::string(key.size(), '*'));
  }
  return text;
}

// --json anywhere before a "--": a command line that did not parse still answers a script with
// its one JSON document.
bool JsonAsked(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--")
      return false;
    if (arg == "--json")
      return true;
  }
  return false;
}

}  // namespace

namespace {

// After a stop from outside: what the run left behind on the gauge.
std::string StoppedText(int signal) {
  const ModuleState& m = Module();
  std::string text =
      std::string("interrupted by ") + StopSignals::Name(signal) + ": stopped at a safe point; ";
  if (m.backupsSaved.empty())
    text += "nothing was written to the gauge's data flash";
  else
    text += "the data flash was written before the stop (its earlier contents are in " +
            m.backupsSaved.back().path + ")";
  return text + (m.calModeFlag ? "; the gauge may still be in calibration mode" : "");
}

// Parses the command line, opens the session and runs the command; returns the exit status.
// What the run tells its user goes to the report.
int RunTool(int argc, char** argv, std::ostream& out, std::ostream& err, RunReport& report,
            bool& json, StopSignals& stops) {
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
      json = false;  // help and version are for people
      tool.exit(e, out, err);
      return kExitOk;
    }
    // A mistyped command leaves CLI11 saying only that a command is required; name the word.
    const std::vector<std::string> unknown = tool.remaining();
    const bool noCommand =
        dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && tool.get_subcommands().empty();
    const bool unknownCommand = noCommand && !unknown.empty();
    report.Error(
        WithoutKeys(unknownCommand ? CLI::ExtrasError(unknown).what() : e.what(), argc, argv));
    if (unknownCommand) {
      const std::string nearest = commands.Nearest(unknown.front());
      if (!nearest.empty())
        report.Error("did you mean " + nearest + "?");
    } else if (noCommand && argc == 1) {
      err << "Usage: gaugecal [OPTIONS] COMMAND [OPTIONS]\nRun gaugecal --help for the "
             "commands.\n";
    }
    return kExitUsage;
  }
  const auto [command, run] = commands.Chosen();
  const std::string name = command->get_name();
  json = options.json;

  const auto onMessage = [&report](const MessageRecord& m) { report.Message(m); };
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
  platform->onWarning = [&report](const std::string& text) { report.Warn(text); };
  platform->pollStop = [&stops] { return stops.Poll(); };

  const std::string appDir = session::ResolveAppDirectory(options.appDir);
  if (!options.traceFile.empty()) {
    // Opening the trace empties the file: never one the run reads.
    const std::string input = InputAt(options.traceFile, InputFiles(options, appDir, *command));
    if (!input.empty()) {
      report.Error("the trace file " + options.traceFile + " is the input file " + input +
                   "; choose another trace file");
      return kExitUsage;
    }
  }

  // The bench before the gauge: a bad profile or an instrument that does not answer stops the
  // run before anything is sent to the gauge.
  std::unique_ptr<session::Station> station;
  if (!options.station.empty() && options.station != session::kEmulatedStation) {
    std::string problem;
    station = session::OpenStation(options.station, nullptr, problem);
    if (!station) {
      report.Error(problem);
      return kExitUsage;
    }
  }

  // The adapter first: a bad scenario file must not truncate an earlier trace file. What the
  // adapter finds wrong while the command runs comes as warnings.
  session::BusOptions bus;
  bus.adapter = options.adapter;
  bus.simScenario = options.simScenario;
  bus.traceFile = options.traceFile;
  bus.openAdapter = commands.NeedsGauge(command);
  bus.warn = [&report](const std::string& text) { report.Warn(text); };
  bus.backupDir = options.backupDir;
  std::string error;
  bool inUse = false;
  std::unique_ptr<session::BusSession> session =
      session::BusSession::Open(bus, *platform, nullptr, error, &inUse);
  if (!session) {
    report.Error(error);
    // Another station works on this adapter: not a usage error, and nothing was touched.
    return inUse ? kExitFailed : kExitUsage;
  }
  HostLink* link = session->LinkOrNull();
  if (options.station == session::kEmulatedStation) {
    std::string problem;
    station = session::OpenStation(options.station, session->Gauge(), problem);
    if (!station) {
      report.Error(problem);
      return kExitUsage;
    }
  }

  if (station)
    session::TraceStation(*station, *platform);
  ResetModule();
  Module().platform = platform.get();
  Module().hostLink = link;
  Module().SmbAddress = kGaugeAddress;
  Module().backupDir = session->BackupDir();

  // Progress lines only for a person watching the real standard output, never in a JSON run.
  const bool terminal = !options.json && &out == &std::cout && isatty(STDOUT_FILENO) == 1;
  CliContext context{options, *platform, link,     session->Gauge(), out,
                     err,     appDir,    terminal, report,           station.get()};
  int status = kExitFailed;
  try {
    status = (*run)(context);
  } catch (const std::exception& e) {
    report.Error(name + " failed: " + e.what());
  }
  if (platform->StopRequested()) {
    report.Error(StoppedText(platform->StopSignal()));
    status = kExitInterrupted;
  }
  station.reset();  // its source off before the gauge goes
  const bool traceWritten = session->TraceWritten();
  session.reset();
  ResetModule();
  if (!traceWritten) {
    report.Error("cannot write the trace file " + options.traceFile);
    status = kExitFailed;
  }
  return status;
}

}  // namespace

int Main(int argc, char** argv, std::ostream& out, std::ostream& err) {
  // Ctrl-C and SIGTERM wait for the run's next safe point from here on.
  StopSignals stops;
  RunReport report(err);
  bool json = JsonAsked(argc, argv);
  int status = RunTool(argc, argv, out, err, report, json, stops);
  if (json)
    report.WriteDocument(out, status == kExitOk);
  // A result that did not reach its file is a failed run.
  if (!out.flush()) {
    err << "gaugecal: cannot write " << OutputName(out) << "\n";
    status = kExitFailed;
  }
  return status;
}

}  // namespace gaugecal::cli
