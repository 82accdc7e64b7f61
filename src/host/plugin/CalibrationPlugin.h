#pragma once
// The plug-in of the calibration panel, the security panel and the SHA-1 form: a Qt plug-in that
// the host loads from its plugins folder. It keeps the host's platform in its module state and
// takes the application directory from its own folder.

#include <QObject>

#include "host/PanelPlugin.h"

namespace gaugecal::host {

class CalibrationPlugin : public QObject, public PanelPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID GAUGECAL_PANEL_PLUGIN_IID)
  Q_INTERFACES(gaugecal::host::PanelPlugin)

 public:
  std::vector<HostPanel*> CreatePanels(HostLink& link, Platform& platform,
                                       const std::string& backupDir) override;
  std::vector<QAction*> Actions(QWidget* window, Platform& platform) override;
};

}  // namespace gaugecal::host
