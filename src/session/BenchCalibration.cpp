#include "session/BenchCalibration.h"

#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "panel/PanelActions.h"
#include "platform/Platform.h"

namespace gaugecal::session {

namespace {

// The stack row name the measurement line shows for box n (1-based).
std::string StackName(int row) {
  std::string name = "Cell 1";
  for (int n = 2; n <= row; ++n)
    name += " + " + std::to_string(n);
  return name;
}

class BoxFiller {
 public:
  BoxFiller(ReferenceBench& station, const ReferenceShown& shown, bool again, std::string& error)
      : station_(station), shown_(shown), again_(again), error_(error) {}

  // Measures source into box when the box is usable and empty (or again, whatever it holds);
  // false on an instrument failure. True (and nothing measured) for a box the page does not
  // offer or that has text.
  bool Fill(panel::Control& box, const ReferenceSource* source, const std::string& name) {
    if (source == nullptr || !panel::Usable(box) || (!again_ && !box.Text().empty()))
      return true;
    MeasuredReference measured;
    if (!station_.Measure(*source, measured, error_))
      return false;
    box.SetText(measured.text);
    filled_ = true;
    if (shown_)
      shown_(name, measured);
    return true;
  }
  bool Filled() const { return filled_; }

 private:
  ReferenceBench& station_;
  const ReferenceShown& shown_;
  bool again_;
  std::string& error_;
  bool filled_ = false;
};

const ReferenceSource* Find(const std::map<int, ReferenceSource>& sources, int key) {
  const auto it = sources.find(key);
  return it == sources.end() ? nullptr : &it->second;
}

const ReferenceSource* Optional(const std::optional<ReferenceSource>& source) {
  return source ? &*source : nullptr;
}

}  // namespace

bool MeasureIntoBoxes(ReferenceBench& station, panel::NBCal& panel, CalibrationAction action,
                      const ReferenceShown& shown, std::string& error, bool again) {
  const StationProfile& p = station.Profile();
  panel::NBCalControls& c = panel.Controls();
  BoxFiller boxes(station, shown, again, error);
  switch (action) {
    case CalibrationAction::VoltageTemperature: {
      for (int row = 1; row <= Module().CellCount && row <= 4; ++row) {
        if (!boxes.Fill(c.txtVoltage[static_cast<size_t>(row - 1)], Find(p.cells, row),
                        StackName(row)))
          return false;
      }
      if (boxes.Filled() && panel::Usable(c.chkVoltageCal))
        c.chkVoltageCal.SetChecked(true);
      if (!boxes.Fill(c.txtBatVoltageActual, Optional(p.battery), "Battery"))
        return false;
      for (const auto& [sensor, source] : p.temperatures) {
        const auto i = static_cast<size_t>(sensor);
        if (!panel::Usable(c.chkTemp[i]))
          continue;
        c.chkTemp[i].SetChecked(true);
        if (!boxes.Fill(c.txtActualTemp[i], &source, "Temperature " + SensorKeys()[i]))
          return false;
      }
      return true;
    }
    case CalibrationAction::PackVoltage:
      return boxes.Fill(c.txtPackActualVoltage, Optional(p.pack), "Pack");
    case CalibrationAction::PackCurrent:
      return boxes.Fill(c.txtActualCurrent, Optional(p.current), "Current");
    case CalibrationAction::CCOffset:
    case CalibrationAction::BoardOffset:
      break;
  }
  return true;
}

BenchOutcome CalibrateFromBench(ReferenceBench& station, panel::NBCal& panel,
                                CalibrationAction action, const ReferenceShown& shown,
                                const std::function<bool()>& press) {
  BenchOutcome outcome;
  const std::optional<CurrentSource>& source = station.Profile().source;
  const bool drive = action == CalibrationAction::PackCurrent && source.has_value();
  if (drive && station.SourceOn(outcome.error)) {
    WaitSeconds(static_cast<float>(source->settleSeconds));
    // The readings beside the boxes as they are with the current flowing: what the panel's
    // checks compare the reference with. One scan tick, also with continuous updates off.
    panel::Control& updates = panel.Controls().chkUpdates;
    const bool continuous = updates.Checked();
    updates.SetChecked(true);
    panel.tmrScan_Timer();
    updates.SetChecked(continuous);
  }
  if (outcome.error.empty()) {
    outcome.measured = MeasureIntoBoxes(station, panel, action, shown, outcome.error);
    outcome.done = outcome.measured && press();
  }
  // Off whatever came before: a refusal, a gauge fault, an instrument that stopped answering.
  std::string offError;
  if (drive && !station.SourceOff(offError) && outcome.error.empty())
    outcome.error = offError;
  return outcome;
}

}  // namespace gaugecal::session
