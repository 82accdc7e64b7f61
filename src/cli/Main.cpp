#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/Adapter.h"
#include "cli/Cli.h"
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

void PrintUsage(std::ostream& s) {
  s << "usage: gaugecal [options] COMMAND [ARGS]\n\n"
       "Calibration and security bench tool for smart-battery fuel gauges.\n\n"
       "Options:\n"
       "  --adapter NAME      bus adapter: sim:CEDV, sim:QSPAN, sim:RN44K18 (default),\n"
       "                      sim:CEDV_PLUS\n"
       "  --sim-scenario FILE scenario file for the simulated gauge\n"
       "  --virtual-time      run on a virtual clock: waits take no real time\n"
       "  --trace FILE        write the bus trace (one JSON object per line) to FILE\n"
       "  --appdir DIR        application directory with config.ini and Morvane.ini\n"
       "  --json              print results as JSON\n"
       "  --help              show this text\n"
       "  --version           show the version\n\n"
       "Commands:\n";
  for (const Command& c : AllCommands()) {
    std::string head = "  " + c.name + (c.usage.empty() ? "" : " " + c.usage);
    if (head.size() < 22)
      head.resize(22, ' ');
    s << head << c.summary << "\n";
  }
}

// Reads the value of an option that takes one; false when it is missing.
bool TakeValue(int argc, char** argv, int& i, std::string& value) {
  if (i + 1 >= argc)
    return false;
  value = argv[++i];
  return true;
}

void PrintMessage(std::ostream& err, const MessageRecord& m) {
  err << (m.icon == MsgIcon::Critical ? "message (critical): " : "message: ") << m.text << "\n";
  err.flush();
}

}  // namespace

int Main(int argc, char** argv, std::ostream& out, std::ostream& err) {
  GlobalOptions options;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0)
      break;
    bool ok = true;
    if (arg == "--help") {
      PrintUsage(out);
      return kExitOk;
    } else if (arg == "--version") {
      out << "gaugecal " << GAUGECAL_VERSION << "\n";
      return kExitOk;
    } else if (arg == "--adapter") {
      ok = TakeValue(argc, argv, i, options.adapter);
    } else if (arg == "--sim-scenario") {
      ok = TakeValue(argc, argv, i, options.simScenario);
    } else if (arg == "--trace") {
      ok = TakeValue(argc, argv, i, options.traceFile);
    } else if (arg == "--appdir") {
      ok = TakeValue(argc, argv, i, options.appDir);
    } else if (arg == "--virtual-time") {
      options.virtualTime = true;
    } else if (arg == "--json") {
      options.json = true;
    } else {
      err << "gaugecal: unknown option " << arg << "\n";
      PrintUsage(err);
      return kExitUsage;
    }
    if (!ok) {
      err << "gaugecal: option " << arg << " needs a value\n";
      return kExitUsage;
    }
  }
  if (i >= argc) {
    err << "gaugecal: no command given\n";
    PrintUsage(err);
    return kExitUsage;
  }
  const std::string name = argv[i++];
  const Command* command = nullptr;
  for (const Command& c : AllCommands()) {
    if (c.name == name)
      command = &c;
  }
  if (!command) {
    err << "gaugecal: unknown command " << name << "\n";
    PrintUsage(err);
    return kExitUsage;
  }
  const std::vector<std::string> args(argv + i, argv + argc);

  std::unique_ptr<Platform> platform;
  if (options.virtualTime) {
    auto p = std::make_unique<VirtualPlatform>();
    p->onMessage = [&err](const MessageRecord& m) { PrintMessage(err, m); };
    platform = std::move(p);
  } else {
    auto p = std::make_unique<RealtimePlatform>();
    p->onMessage = [&err](const MessageRecord& m) { PrintMessage(err, m); };
    platform = std::move(p);
  }

  // The adapter first: a bad scenario file must not truncate an earlier trace file.
  std::string error;
  std::unique_ptr<HostLink> adapter =
      OpenAdapter(options.adapter, options.simScenario, *platform, error);
  if (!adapter) {
    err << "gaugecal: " << error << "\n";
    return kExitUsage;
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

  // Progress lines only for a person watching the real standard output.
  const bool terminal = &out == &std::cout && isatty(STDOUT_FILENO) == 1;
  CliContext context{options, *platform, *link, out, err, appDir, terminal};
  int status = kExitFailed;
  try {
    status = command->run(context, args);
  } catch (const std::exception& e) {
    err << "gaugecal: " << name << " failed: " << e.what() << "\n";
  }
  platform->SetTrace(nullptr);
  ResetModule();
  return status;
}

}  // namespace gaugecal::cli
