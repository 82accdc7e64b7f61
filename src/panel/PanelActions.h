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

// The reference boxes emptied: a reference neither given nor measured is not assumed from the
// page's design defaults, so the page's own checks refuse it as not entered. Boxes a
// technician cannot use keep their text: the page still converts the disabled cell rows
// beyond the cell count, and nothing is calibrated against them. What
// an emptied box held stays as its placeholder, a hint a view shows in grey.
void ClearReferenceBoxes(NBCalControls& controls);

// A technician can use the control on its page: it and its frame are shown and enabled
// (whichever page is showing now).
bool Usable(const Control& control);

// The panel offers the action for this gauge: its button is usable.
bool Offered(NBCal& panel, CalibrationAction action);

// Shows the action's page and clicks its button. False, with nothing sent to the gauge, when
// the button cannot be reached there (it or its frame hidden or disabled).
bool Press(NBCal& panel, CalibrationAction action);

}  // namespace gaugecal::panel
