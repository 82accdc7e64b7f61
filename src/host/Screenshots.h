#pragma once
// Pictures of the window for the documentation: one per tab of the window, one per tab of
// every tab bar inside a panel (the calibration pages), and one per form of the Tools menu.

#include <QString>
#include <QStringList>

namespace gaugecal::host {

class MainWindow;

// The files written, in order; a file that cannot be written ends the run with what was done.
QStringList RenderScreenshots(MainWindow& window, const QString& folder);

}  // namespace gaugecal::host
