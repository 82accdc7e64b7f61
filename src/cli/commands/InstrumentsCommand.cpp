// instruments: the bench check a technician runs before a shift. Lists each instrument of the
// station profile with its identification, then one measurement of every reference the
// profile serves; exit status 0 only when every one was read.

#include "cli/Commands.h"
#include "session/Station.h"

namespace gaugecal::cli {

namespace {

int RunInstruments(CliContext& c) {
  if (c.station == nullptr) {
    c.err << "gaugecal: instruments needs --station FILE (docs/instruments.md)\n";
    return kExitUsage;
  }
  const session::StationProfile& profile = c.station->Profile();
  for (size_t i = 0; i < profile.instruments.size(); ++i) {
    const instruments::InstrumentSpec& spec = profile.instruments[i];
    c.out << "instrument: " << spec.name << " = " << c.station->Instruments()[i]->Identity() << " ("
          << spec.driver << (spec.connection.empty() ? "" : " at " + spec.connection) << ")\n";
  }
  int status = kExitOk;
  for (const session::NamedReference& ref : session::NamedReferences(profile)) {
    session::MeasuredReference measured;
    std::string error;
    if (!c.station->Measure(*ref.source, measured, error)) {
      c.err << "gaugecal: " << ref.name << ": " << error << "\n";
      status = kExitFailed;
      continue;
    }
    c.out << "reference: " << ref.name << " = " << measured.text << " " << measured.unit << " ("
          << measured.from << ")\n";
  }
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
