// instruments: the bench check a technician runs before a shift. Lists each instrument of the
// station profile with its identification, then one measurement of every reference the
// profile serves; exit status 0 only when every one was read.

#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "session/Station.h"

namespace gaugecal::cli {

namespace {

int RunInstruments(CliContext& c) {
  if (c.station == nullptr) {
    c.report.Error("instruments needs --station FILE (docs/instruments.md)");
    return kExitUsage;
  }
  const session::StationProfile& profile = c.station->Profile();
  nlohmann::ordered_json listed = nlohmann::ordered_json::array();
  for (size_t i = 0; i < profile.instruments.size(); ++i) {
    const instruments::InstrumentSpec& setup = profile.instruments[i];
    const std::string identity = c.station->Instruments()[i]->Identity();
    listed.push_back({{"name", setup.name},
                      {"identity", identity},
                      {"driver", setup.driver},
                      {"connection", setup.connection}});
    if (!c.options.json)
      c.out << "instrument: " << setup.name << " = " << identity << " (" << setup.driver
            << (setup.connection.empty() ? "" : " at " + setup.connection) << ")\n";
  }
  int status = kExitOk;
  nlohmann::ordered_json references = nlohmann::ordered_json::array();
  for (const session::NamedReference& ref : session::NamedReferences(profile)) {
    session::MeasuredReference measured;
    std::string error;
    if (!c.station->Measure(*ref.source, measured, error)) {
      c.report.Error(ref.name + ": " + error);
      status = kExitFailed;
      continue;
    }
    references.push_back({{"name", ref.name},
                          {"value", measured.text},
                          {"unit", measured.unit},
                          {"from", measured.from}});
    if (!c.options.json)
      c.out << "reference: " << ref.name << " = " << measured.text << " " << measured.unit << " ("
            << measured.from << ")\n";
  }
  c.report.Result({{"instruments", listed}, {"references", references}});
  return status;
}

}  // namespace

void AddInstrumentsCommand(CommandSet& commands) {
  commands.Add("instruments",
               "list the instruments of --station with their identification and one "
               "measurement of every reference they serve",
               RunInstruments);
}

}  // namespace gaugecal::cli
