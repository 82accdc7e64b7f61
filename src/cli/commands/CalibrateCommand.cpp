// calibrate ACTION: one calibration through the calibration panel, as a technician runs it:
// the panel starts (every start-up check and message), the given texts go verbatim into the
// boxes a technician types into, the boxes that apply are ticked, the action's button is
// clicked. Prints whether the done mark came up and the calibration data flash before and
// after; exit status 0 only when it did.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/GaugeSetup.h"
#include "cli/Progress.h"
#include "cli/Recording.h"
#include "cli/ReferenceLines.h"
#include "device/Codecs.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"
#include "panel/CalibrationCheck.h"
#include "panel/NBCal.h"
#include "panel/PanelActions.h"
#include "panel/Plausibility.h"
#include "session/BenchCalibration.h"
#include "session/Station.h"

namespace gaugecal::cli {

namespace {

const std::map<std::string, CalibrationAction> kActions = {
    {"voltage-temperature", CalibrationAction::VoltageTemperature},
    {"pack-voltage", CalibrationAction::PackVoltage},
    {"current", CalibrationAction::PackCurrent},
    {"cc-offset", CalibrationAction::CCOffset},
    {"board-offset", CalibrationAction::BoardOffset},
};
// What each action needs, for calibrate --help.
std::string ReferencesHelp() {
  const auto percent = [](double fraction) { return std::to_string(std::lround(fraction * 100)); };
  return "References: no reference is assumed; each box the options do not fill stays empty "
         "and the panel refuses it.\n"
         "  voltage-temperature  --cell N=MV for every cell in use (N = 1 .. cell count) with "
         "voltage calibration (--cell or --voltage); --battery MV where the gauge measures a "
         "battery voltage (then also the top --cell with temperatures alone); --temp "
         "SENSOR=DEGC for each sensor\n"
         "  pack-voltage         --pack MV\n"
         "  current              --current MA, discharge negative (-1500, not -1.5)\n"
         "  cc-offset, board-offset  no reference: no current flowing\n"
         "--cell N is the stack voltage from ground to the top of cell N (cells 1 to N "
         "together), not the voltage of cell N alone.\n"
         "Each reference must fit the gauge's own reading (current: same sign, within " +
         percent(panel::kPlausibleCurrentFraction) + " % of the reference; voltages: within " +
         percent(panel::kPlausibleVoltageFraction) +
         " % of the reading); --force skips that "
         "guard.";
}

const std::map<std::string, int> kSensors = {
    {"internal", 0}, {"ext1", 1}, {"ext2", 2}, {"ext3", 3}, {"ext4", 4}};

struct CalibrateOptions {
  std::string action;
  std::vector<std::string> cells;  // "N=TEXT"
  bool voltage = false;
  std::vector<std::string> temps;  // "SENSOR=TEXT"
  std::string battery;
  std::string pack;
  std::string current;
  bool force = false;  // skip the plausibility guard
  // Given on the command line (an empty text is a text too).
  CLI::Option* batteryGiven = nullptr;
  CLI::Option* packGiven = nullptr;
  CLI::Option* currentGiven = nullptr;
};

// "KEY=TEXT" with KEY one of keys; TEXT may be anything, also empty.
CLI::Validator KeyedText(const std::map<std::string, int>& keys, const std::string& what) {
  return CLI::Validator(
      [keys, what](std::string& value) -> std::string {
        const size_t eq = value.find('=');
        if (eq == std::string::npos || keys.count(value.substr(0, eq)) == 0)
          return "expected " + what + "=TEXT, got \"" + value + "\"";
        return "";
      },
      "");
}

std::pair<int, std::string> SplitKeyed(const std::string& value,
                                       const std::map<std::string, int>& keys) {
  const size_t eq = value.find('=');
  return {keys.at(value.substr(0, eq)), value.substr(eq + 1)};
}

// The calibration data flash: row name to its value at the gauge's own precision and the text
// the panel's grid shows for it.
nlohmann::ordered_json CalibrationRows(const panel::NBCal& nbcal) {
  nlohmann::ordered_json rows = nlohmann::ordered_json::object();
  const panel::Grid& grid = nbcal.Controls().DFGrid;
  if (!grid.Visible())
    return rows;
  for (const CalValue& v : CalTableValues()) {
    if (v.gridRow > 0 && v.gridRow < grid.Layout().rows)
      rows[v.name] = {{"value", v.value}, {"shown", grid.Cell(v.gridRow, 1).text}};
  }
  return rows;
}

class Technician {
 public:
  explicit Technician(CliContext& c) : c_(c) {}

  // Types into a box; false, with a warning, when the page does not let a technician.
  bool Type(panel::Control& box, const std::string& text, const std::string& what) {
    if (!Usable(box, what))
      return false;
    box.SetText(text);
    return true;
  }
  bool Tick(panel::Control& box, const std::string& what) {
    if (!Usable(box, what))
      return false;
    box.SetChecked(true);
    return true;
  }

 private:
  bool Usable(const panel::Control& control, const std::string& what) {
    if (panel::Usable(control))
      return true;
    c_.report.WarnOf("the panel does not let a technician enter ", what, " on this gauge (",
                     control.Key(), " is ", (control.Visible() ? "disabled" : "hidden"),
                     "); nothing was calibrated.");
    return false;
  }

  CliContext& c_;
};

// After a run that did not come to its done mark: which references the action needed that the
// command line did not give, so the next run can give them.
void HintMissingReferences(CliContext& c, panel::NBCal& nbcal, const CalibrateOptions& o) {
  const panel::NBCalControls& p = nbcal.Controls();
  std::vector<std::string> missing;
  const auto need = [&](const panel::Control& box, const std::string& option) {
    if (panel::Usable(box) && box.Text().empty())
      missing.push_back(option);
  };
  switch (kActions.at(o.action)) {
    case CalibrationAction::VoltageTemperature: {
      const int cells = Module().CellCount;
      if (p.chkVoltageCal.Checked()) {
        for (int n = 1; n <= cells && n <= 4; ++n)
          need(p.txtVoltage[static_cast<size_t>(n - 1)], "--cell " + std::to_string(n) + "=MV");
      } else if (Module().calConfig.BatteryVSupported && cells >= 1 && cells <= 4) {
        need(p.txtVoltage[static_cast<size_t>(cells - 1)],
             "--cell " + std::to_string(cells) + "=MV");
      }
      if (Module().calConfig.BatteryVSupported)
        need(p.txtBatVoltageActual, "--battery MV");
      break;
    }
    case CalibrationAction::PackVoltage:
      need(p.txtPackActualVoltage, "--pack MV");
      break;
    case CalibrationAction::PackCurrent:
      need(p.txtActualCurrent, "--current MA");
      break;
    case CalibrationAction::CCOffset:
    case CalibrationAction::BoardOffset:
      break;
  }
  if (missing.empty())
    return;
  std::string list;
  for (const std::string& option : missing)
    list += (list.empty() ? "" : ", ") + option;
  c.report.WarnOf("calibrate ", o.action, " needs ", list,
                  " (see gaugecal calibrate --help); no reference is assumed.");
}

// A stack row typed with one cell's voltage: nearer the gauge's stack reading divided by the
// cells in it than the reading itself. The page calls it low, which does not say why.
void HintStackRows(CliContext& c, const panel::NBCal& nbcal) {
  const panel::NBCalControls& p = nbcal.Controls();
  if (!p.chkVoltageCal.Checked())
    return;
  for (int n = 2; n <= Module().CellCount && n <= 4; ++n) {
    const auto i = static_cast<size_t>(n - 1);
    const std::optional<double> typed = ParseDecimal(p.txtVoltage[i].Text());
    const std::optional<double> stack = ParseDecimal(p.txtCalMeasVoltage[i].Text());
    if (!typed || !stack || *stack <= 0.0)
      continue;
    if (std::fabs(*typed - *stack / n) < std::fabs(*typed - *stack)) {
      c.report.WarnOf("--cell ", n, " is the stack of cells 1 to ", n, " (the gauge reads ",
                      p.txtCalMeasVoltage[i].Text(), " mV there), not cell ", n, " alone.");
    }
  }
}

// The plausibility guard's question, answered No with one warning per reference: the command
// line has no one to ask, and --force is the considered Yes.
panel::PlausibilityQuestion RefuseImplausible(CliContext& c) {
  return [&c](const std::vector<panel::ReferenceReading>& implausible) {
    for (const panel::ReferenceReading& r : implausible)
      c.report.WarnOf(
          panel::ImplausibleText(r),
          "; nothing was calibrated. Check the reference, or calibrate anyway with --force.");
    return false;
  };
}

bool EnterTexts(CliContext& c, panel::NBCal& nbcal, const CalibrateOptions& o) {
  panel::NBCalControls& p = nbcal.Controls();
  panel::ClearReferenceBoxes(p);
  Technician t(c);
  const std::map<std::string, int> cellKeys = {{"1", 0}, {"2", 1}, {"3", 2}, {"4", 3}};
  for (const std::string& cell : o.cells) {
    const auto [row, text] = SplitKeyed(cell, cellKeys);
    if (!t.Type(p.txtVoltage[static_cast<size_t>(row)], text,
                "the voltage of " + p.lblCell[static_cast<size_t>(row)].Caption()))
      return false;
  }
  if ((o.voltage || !o.cells.empty()) && !t.Tick(p.chkVoltageCal, "voltage calibration"))
    return false;
  for (const std::string& temp : o.temps) {
    const auto [sensor, text] = SplitKeyed(temp, kSensors);
    const auto i = static_cast<size_t>(sensor);
    if (!t.Tick(p.chkTemp[i], p.chkTemp[i].Caption()) ||
        !t.Type(p.txtActualTemp[i], text, p.chkTemp[i].Caption()))
      return false;
  }
  const auto given = [](const CLI::Option* option) { return option->count() > 0; };
  return (!given(o.batteryGiven) ||
          t.Type(p.txtBatVoltageActual, o.battery, "a battery voltage")) &&
         (!given(o.packGiven) || t.Type(p.txtPackActualVoltage, o.pack, "a pack voltage")) &&
         (!given(o.currentGiven) || t.Type(p.txtActualCurrent, o.current, "a current"));
}

struct Outcome {
  bool done = false;
  std::vector<panel::CheckedQuantity> check;
  std::vector<std::string> backups;  // the backup files of this run's data flash writes
  std::string calAreaBackup;         // the last of them that holds the calibration area
};

void Report(CliContext& c, const CalibrateOptions& o, const Outcome& outcome,
            const nlohmann::ordered_json& before, const nlohmann::ordered_json& after) {
  const bool done = outcome.done;
  if (c.options.json) {
    nlohmann::ordered_json j;
    j["action"] = o.action;
    j["done"] = done;
    j["before"] = before;
    j["after"] = after;
    j["check"] = session::CheckJson(outcome.check);
    if (!outcome.calAreaBackup.empty())
      j["backup"] = outcome.calAreaBackup;
    if (outcome.backups.size() > 1)
      j["backups"] = outcome.backups;
    c.report.Result(std::move(j));
    return;
  }
  c.out << "Action: " << o.action << "\n"
        << "Done:   " << (done ? "yes" : "no") << "\n";
  for (const panel::CheckedQuantity& q : outcome.check)
    c.out << "check: " << panel::CheckLine(q) << "\n";
  for (const std::string& backup : outcome.backups)
    c.out << "backup: " << backup << "\n";
  if (before.empty() && after.empty())
    return;
  const auto row = [&c](std::string name, const std::string& was, const std::string& now) {
    name.resize(std::max<size_t>(name.size() + 1, 26), ' ');
    c.out << name << std::string(was.size() < 12 ? 12 - was.size() : 0, ' ') << was
          << std::string(now.size() < 12 ? 12 - now.size() : 0, ' ') << now << "\n";
  };
  row("Calibration data flash", "before", "after");
  const auto shown = [](const nlohmann::ordered_json& rows, const std::string& name) {
    return rows.contains(name) ? rows[name]["shown"].get<std::string>() : std::string();
  };
  for (const auto& [name, value] : after.items())
    row("  " + name, shown(before, name), value["shown"].get<std::string>());
}

// The references the command line did not give, measured by the station into their boxes
// (each shown as a "reference:" line), then the button; the source of the current calibration
// is off again whatever the outcome.
// The check after a done calibration runs while the source still drives the current.
bool PressWithBench(CliContext& c, panel::NBCal& nbcal, CalibrationAction action,
                    const std::string& name, Recording& recording,
                    std::optional<std::vector<panel::CheckedQuantity>>& check) {
  const session::ReferenceShown shown = recording.Shown(c);
  const session::BenchOutcome outcome = session::CalibrateFromBench(
      *c.station, nbcal, action, shown, [&c, &nbcal, action, &name, &recording, &check] {
        if (!recording.Begin(c, name, &nbcal, action))
          return false;
        const bool pressed = panel::Press(nbcal, action);
        if (pressed && panel::ControlsOf(nbcal, action).doneImage.Visible())
          check = panel::CheckCalibration(nbcal, action);
        return pressed;
      });
  if (!outcome.error.empty())
    c.report.Error(outcome.error + "; nothing more was sent to the gauge");
  return outcome.done;
}

// True when the done mark came up. The check after it, when it ran with the bench's source on.
bool Calibrate(CliContext& c, const CalibrateOptions& o, panel::NBCal& nbcal, Recording& recording,
               std::optional<std::vector<panel::CheckedQuantity>>& check) {
  const CalibrationAction action = kActions.at(o.action);
  if (!panel::Offered(nbcal, action)) {
    c.report.WarnOf("the panel does not offer ", o.action,
                    " calibration on this gauge (its button is hidden or disabled); nothing was "
                    "calibrated.");
    return false;
  }
  // The readings beside the boxes, as a technician watching the page sees them.
  nbcal.Controls().chkUpdates.SetChecked(true);
  nbcal.tmrScan_Timer();
  if (!EnterTexts(c, nbcal, o))
    return false;
  if (!o.force)
    nbcal.SetPlausibilityQuestion(RefuseImplausible(c));
  // Stopped from outside before the click: the calibration does not begin.
  if (c.platform.StopRequested())
    return false;
  // The record before the click: the click may write data flash.
  if (c.station == nullptr && !recording.Begin(c, o.action, &nbcal, action))
    return false;
  ProgressLine progress(c, std::string("Calibrating: ") + o.action);
  const bool pressed = c.station == nullptr
                           ? panel::Press(nbcal, action)
                           : PressWithBench(c, nbcal, action, o.action, recording, check);
  if (recording.Failed())
    return false;
  const bool done = pressed && panel::ControlsOf(nbcal, action).doneImage.Visible();
  if (!done) {
    HintStackRows(c, nbcal);
    HintMissingReferences(c, nbcal, o);
  }
  return done;
}

// The command that writes this run's backup back, with the global options that reach the
// same gauge.
std::string RestoreCommand(const CliContext& c, const std::string& backup) {
  std::string command = "gaugecal --adapter " + c.options.adapter;
  if (!c.options.simScenario.empty())
    command += " --sim-scenario " + c.options.simScenario;
  if (!c.options.appDir.empty())
    command += " --appdir " + c.options.appDir;
  return command + " restore " + backup;
}

int RunCalibrate(CliContext& c, const CalibrateOptions& o) {
  Recording recording;
  if (!recording.Start(c))
    return kExitFailed;
  panel::NBCal nbcal;
  const bool started = StartCalibrationPanel(c, nbcal);
  const nlohmann::ordered_json before = CalibrationRows(nbcal);
  Outcome outcome;
  std::optional<std::vector<panel::CheckedQuantity>> check;
  outcome.done = started && Calibrate(c, o, nbcal, recording, check);
  if (recording.Failed())
    return kExitFailed;
  // A run stopped from outside ends without the check's readings.
  if (outcome.done && check) {
    outcome.check = *check;
  } else if (outcome.done && !c.platform.StopRequested()) {
    ProgressLine progress(c, "Checking the calibration");
    outcome.check = panel::CheckCalibration(nbcal, kActions.at(o.action));
  }
  for (const SavedBackup& saved : Module().backupsSaved) {
    outcome.backups.push_back(saved.path);
    if (saved.calibrationArea)
      outcome.calAreaBackup = saved.path;
  }
  bool within = true;
  for (const panel::CheckedQuantity& q : outcome.check) {
    if (!q.within) {
      within = false;
      c.report.WarnOf(q.quantity, " reads ", q.reading, " ", q.unit, " against the reference of ",
                      q.reference, " ", q.unit, " after calibration, outside its target of ",
                      q.target, " ", q.errorUnit, ".");
    }
  }
  if (!outcome.done && !outcome.calAreaBackup.empty()) {
    c.report.WarnOf(
        "the calibration failed after writing the gauge; to go back to the "
        "constants before this run: ",
        RestoreCommand(c, outcome.calAreaBackup));
  }
  if (!within) {
    c.report.WarnOf(
        "check the references and the bench, and calibrate again",
        (outcome.calAreaBackup.empty() ? "."
                                       : "; to go back to the constants before this run: " +
                                             RestoreCommand(c, outcome.calAreaBackup)));
  }
  Report(c, o, outcome, before, CalibrationRows(nbcal));
  recording.Complete(c,
                     c.platform.StopRequested()
                         ? records::kInterrupted
                         : session::CalibrationOutcome(outcome.done, within, recording.Wrote()),
                     &nbcal, session::CheckJson(outcome.check));
  return outcome.done && within ? kExitOk : kExitFailed;
}

}  // namespace

void AddCalibrateCommand(CommandSet& commands) {
  auto o = std::make_shared<CalibrateOptions>();
  CLI::App& command = commands.Add("calibrate",
                                   "run one calibration through the calibration panel with the "
                                   "given references",
                                   [o](CliContext& c) { return RunCalibrate(c, *o); });
  command.footer(ReferencesHelp() + "\n\n" + command.get_footer());
  std::vector<std::string> actions;
  for (const auto& [name, action] : kActions)
    actions.push_back(name);
  command.add_option("ACTION", o->action, "the calibration")
      ->required()
      ->check(CLI::IsMember(actions));
  command
      .add_option("--cell", o->cells,
                  "stack voltage from ground to the top of cell N in mV (cells 1..N), into "
                  "the box of row N (1-4); ticks voltage calibration")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->check(KeyedText({{"1", 0}, {"2", 1}, {"3", 2}, {"4", 3}}, "N"))
      ->type_name("N=TEXT");
  command.add_flag("--voltage", o->voltage,
                   "tick voltage calibration; every cell row in use then needs its --cell");
  o->batteryGiven = command.add_option("--battery", o->battery, "actual battery voltage in mV")
                        ->type_name("TEXT");
  command
      .add_option("--temp", o->temps,
                  "tick sensor internal, ext1 .. ext4 and put its actual temperature (degC)")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->check(KeyedText(kSensors, "SENSOR"))
      ->type_name("SENSOR=TEXT");
  o->packGiven =
      command.add_option("--pack", o->pack, "actual pack voltage in mV")->type_name("TEXT");
  o->currentGiven =
      command.add_option("--current", o->current, "actual current in mA (discharge negative)")
          ->type_name("TEXT");
  command.add_flag("--force", o->force,
                   "calibrate even when a reference does not fit the gauge's own reading");
}

}  // namespace gaugecal::cli
