#pragma once
// What the views of the security panel and the SHA-1 form share: copying one control's state
// of a security model into its widget, and the row of a labelled text box.

#include <QString>

#include "security/Controls.h"

class QFormLayout;
class QLineEdit;
class QWidget;

namespace gaugecal::host {

// Text, enabled, visible, value (option button checked, tab selected), selection and colour.
void ApplyControlState(const security::ControlState& state, QWidget* widget);

// A text box with the model's label, tool tip and pitch, as a row of the form.
QLineEdit* AddTextRow(QFormLayout* form, const security::ControlState& design, const QString& name);

}  // namespace gaugecal::host
