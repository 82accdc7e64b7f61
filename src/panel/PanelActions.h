#pragma once
// The five calibration actions as a technician reaches them on the panel: the button and done
// mark of each, and a press that first shows the button's page with the page buttons. For
// tools and scripts that drive the panel the way a person does.

#include "calibration/CalibrationRun.h"
#include "panel/NBCal.h"

namespace gaugecal::panel {

struct ActionControls {
  Control& button;
  Control& doneImage;
  int page;  // the index of the picCalibration page that holds the button
};

ActionControls ControlsOf(NBCal& panel, CalibrationAction action);

// A technician can use the control on its page: it and its frame are shown and enabled
// (whichever page is showing now).
bool Usable(const Control& control);

// The panel offers the action for this gauge: its button is usable.
bool Offered(NBCal& panel, CalibrationAction action);

// Shows the action's page and clicks its button. False, with nothing sent to the gauge, when
// the button cannot be reached there (it or its frame hidden or disabled).
bool Press(NBCal& panel, CalibrationAction action);

}  // namespace gaugecal::panel
