#include "panel/PanelActions.h"

namespace gaugecal::panel {

ActionControls ControlsOf(NBCal& panel, CalibrationAction action) {
  NBCalControls& c = panel.Controls();
  switch (action) {
    case CalibrationAction::VoltageTemperature:
      return {c.btnCalibrate, c.imgCalDoneBox, 0};
    case CalibrationAction::PackVoltage:
      return {c.btnPackVoltage, c.imgPackVoltage, 0};
    case CalibrationAction::PackCurrent:
      return {c.btnPackCurrent, c.ImgPackCurrent, 1};
    case CalibrationAction::CCOffset:
      return {c.btnCalCCCounter, c.imageCCOffsetDone, 1};
    case CalibrationAction::BoardOffset:
      break;
  }
  return {c.btnBoardOffset, c.ImgBoardOffset, 1};
}

bool Usable(const Control& control) {
  for (const Control* c = &control; c != nullptr && c->Kind() != ControlKind::PictureBox;
       c = c->Container()) {
    if (!c->Visible() || !c->Enabled())
      return false;
  }
  return true;
}

bool Offered(NBCal& panel, CalibrationAction action) {
  return Usable(ControlsOf(panel, action).button);
}

bool Press(NBCal& panel, CalibrationAction action) {
  const ActionControls controls = ControlsOf(panel, action);
  NBCalControls& c = panel.Controls();
  if (c.SStabCal.Value() != controls.page)
    panel.Click(controls.page == 0 ? c.btncalpage2 : c.btncalpg1);
  return panel.Click(controls.button);
}

void ClearReferenceBoxes(NBCalControls& p) {
  const auto clear = [](Control& box) {
    if (!Usable(box))
      return;
    if (!box.Text().empty())
      box.SetPlaceholder(box.Text());
    box.SetText("");
  };
  for (Control& box : p.txtVoltage)
    clear(box);
  for (Control& box : p.txtActualTemp)
    clear(box);
  clear(p.txtBatVoltageActual);
  clear(p.txtPackActualVoltage);
  clear(p.txtActualCurrent);
}

}  // namespace gaugecal::panel
