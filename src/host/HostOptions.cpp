#include "host/HostOptions.h"

#include <CLI/CLI.hpp>

#include "session/AppDirectory.h"
#include "session/RunRecorder.h"

#ifndef GAUGECAL_VERSION
#define GAUGECAL_VERSION "0.0.0"
#endif

namespace gaugecal::host {

std::optional<int> ParseHostOptions(int argc, char** argv, HostOptions& options, std::ostream& out,
                                    std::ostream& err) {
  CLI::App app("Morvane: the bench window for smart-battery fuel gauges.", "morvane");
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--adapter", options.bus.adapter,
                 "bus adapter: sim:CEDV, sim:QSPAN, sim:RN44K18 (default), sim:CEDV_PLUS")
      ->type_name("NAME");
  app.add_option("--sim-scenario", options.bus.simScenario, "scenario file for the simulated gauge")
      ->type_name("FILE");
  app.add_flag("--virtual-time", options.virtualTime,
               "run on a virtual clock: waits take no real time");
  app.add_option("--trace", options.bus.traceFile,
                 "also write the bus trace (one JSON object per line) to FILE")
      ->type_name("FILE");
  std::string appDir;
  app.add_option("--appdir", appDir,
                 "application directory with config.ini, Morvane.ini and the plugins folder")
      ->type_name("DIR");
  app.add_option("--backup-dir", options.bus.backupDir,
                 "folder for the backups saved before data flash writes (default "
                 "$XDG_STATE_HOME/gaugecal/backups, else ~/.local/state/gaugecal/backups)")
      ->type_name("DIR");
  app.add_option("--station", options.station,
                 "station profile: the bench instruments that measure the references "
                 "(\"emulated\": the built-in emulated bench on a simulated gauge)")
      ->type_name("FILE");
  app.add_option("--records", options.records, session::kRecordsOptionHelp)->type_name("TARGET");
  app.add_option("--operator", options.operatorName, session::kOperatorOptionHelp)
      ->type_name("NAME");
  app.add_option("--screenshots", options.screenshots,
                 "render every tab and page as PNG files into DIR, then quit")
      ->type_name("DIR");
  app.set_version_flag("--version", std::string("morvane ") + GAUGECAL_VERSION);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success))
      return app.exit(e, out, err);
    err << "morvane: " << e.what() << "\n";
    return 2;
  }
  options.appDir = session::ResolveAppDirectory(appDir);
  return std::nullopt;
}

}  // namespace gaugecal::host
