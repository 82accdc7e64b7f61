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
#include "device/ModuleState.h"
#include "platform/RealtimePlatform.h"
#include "platform/VirtualPlatform.h"
#include "session/AppDirectory.h"
#include "session/BenchCalibration.h"
#include "session/BusSession.h"
#include "session/Station.h"

#ifndef GAUGECAL_VERSION
#define GAUGECAL_VERSION "0.0.0"
#endif

namespace gaugecal::cli {

namespace {

constexpr int16_t kGaugeAddress = 0x17;
constexpr const char* kEmulatedStation = "emulated";

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
  tool.add_flag("--json", options.json, "print results as JSON");
  tool.set_version_flag("--version", std::string("gaugecal ") + GAUGECAL_VERSION);
}

void PrintMessage(std::ostream& err, const MessageRecord& m) {
  err << (m.icon == MsgIcon::Critical ? "message (critical): " : "message: ") << m.text << "\n";
  err.flush();
}

// Once per run: the report of a command looks some files up again after the check did.
void PrintWarning(std::ostream& err, std::set<std::string>& printed, const std::string& text) {
  if (!printed.insert(text).second)
    return;
  err << "warning: " << text << "\n";
  err.flush();
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
    const bool noCommand =
        dynamic_cast<const CLI::RequiredError*>(&e) != nullptr && tool.get_subcommands().empty();
    const bool unknownCommand = noCommand && !unknown.empty();
    err << "gaugecal: "
        << WithoutKeys(unknownCommand ? CLI::ExtrasError(unknown).what() : e.what(), argc, argv)
        << "\n";
    if (unknownCommand) {
      const std::string nearest = commands.Nearest(unknown.front());
      if (!nearest.empty())
        err << "gaugecal: did you mean " << nearest << "?\n";
    } else if (noCommand && argc == 1) {
      err << "Usage: gaugecal [OPTIONS] COMMAND [OPTIONS]\nRun gaugecal --help for the "
             "commands.\n";
    }
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
  std::set<std::string> warningsPrinted;
  platform->onWarning = [&err, &warningsPrinted](const std::string& text) {
    PrintWarning(err, warningsPrinted, text);
  };

  const std::string appDir = session::ResolveAppDirectory(options.appDir);
  if (!options.traceFile.empty()) {
    // Opening the trace empties the file: never one the run reads.
    const std::string input = InputAt(options.traceFile, InputFiles(options, appDir, *command));
    if (!input.empty()) {
      err << "gaugecal: the trace file " << options.traceFile << " is the input file " << input
          << "; choose another trace file\n";
      return kExitUsage;
    }
  }

  // The bench before the gauge: a bad profile or an instrument that does not answer stops the
  // run before anything is sent to the gauge.
  std::unique_ptr<session::Station> station;
  if (!options.station.empty() && options.station != kEmulatedStation) {
    std::string problem;
    const std::optional<session::StationProfile> profile =
        session::ReadStationProfile(options.station, problem);
    if (profile)
      station = session::Station::Open(*profile, problem);
    if (!station) {
      err << "gaugecal: " << problem << "\n";
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
  bus.warn = [&err](const std::string& text) { err << "warning: " << text << "\n"; };
  bus.backupDir = options.backupDir;
  std::string error;
  bool inUse = false;
  std::unique_ptr<session::BusSession> session =
      session::BusSession::Open(bus, *platform, nullptr, error, &inUse);
  if (!session) {
    err << "gaugecal: " << error << "\n";
    // Another station works on this adapter: not a usage error, and nothing was touched.
    return inUse ? kExitFailed : kExitUsage;
  }
  HostLink* link = session->LinkOrNull();
  if (options.station == kEmulatedStation) {
    std::string problem = "--station emulated needs a simulated gauge (--adapter sim:FAMILY)";
    if (session->Gauge() != nullptr)
      station = session::Station::OpenEmulated(*session->Gauge(), problem);
    if (!station) {
      err << "gaugecal: " << problem << "\n";
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

  // Progress lines only for a person watching the real standard output.
  const bool terminal = &out == &std::cout && isatty(STDOUT_FILENO) == 1;
  CliContext context{options, *platform, link,     session->Gauge(), out,
                     err,     appDir,    terminal, messages,         station.get()};
  int status = kExitFailed;
  try {
    status = (*run)(context);
  } catch (const std::exception& e) {
    err << "gaugecal: " << name << " failed: " << e.what() << "\n";
  }
  station.reset();  // its source off before the gauge goes
  const bool traceWritten = session->TraceWritten();
  session.reset();
  ResetModule();
  // A result that did not reach its file is a failed run.
  if (!out.flush()) {
    err << "gaugecal: cannot write " << OutputName(out) << "\n";
    status = kExitFailed;
  }
  if (!traceWritten) {
    err << "gaugecal: cannot write the trace file " << options.traceFile << "\n";
    status = kExitFailed;
  }
  return status;
}

}  // namespace gaugecal::cli
