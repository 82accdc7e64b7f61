#pragma once
// The "Registers" pane: the table of the standard commands (panel/RegistersPane.h), flag bits
// as check marks under their word, read by "Read" and again after each reading of the
// calibration panel's scan while the pane is shown.

#include <QWidget>
#include <functional>
#include <string>

#include "host/PanelPlugin.h"
#include "panel/RegistersPane.h"
#include "panel/ScanSamples.h"

class QTableWidget;

namespace gaugecal::host {

class RegistersView : public QWidget, public HostPanel {
 public:
  // busy: whether the calibration panel runs a long action (nothing is read then).
  RegistersView(HostLink& link, const panel::ScanSamples& scan, std::function<bool()> busy);

  std::string Caption() const override { return "Registers"; }
  QWidget* Widget() override { return this; }
  void Startup() override {}
  void Read();

 private:
  void Redraw();

  HostLink& link_;
  const panel::ScanSamples& scan_;
  std::function<bool()> busy_;
  panel::RegistersPane pane_;
  QTableWidget* table_;
};

}  // namespace gaugecal::host
