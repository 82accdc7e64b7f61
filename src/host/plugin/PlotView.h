#pragma once
// The live plot of the calibration panel: what its scan read (stack voltages, current,
// temperatures) against time in three charts, and "Save as CSV..." of every sample. The data
// is the panel model's (panel/ScanSamples.h); the view redraws when a sample was added.

#include <QWidget>
#include <string>

#include "host/PanelPlugin.h"
#include "panel/ScanSamples.h"

class QChart;

namespace gaugecal::host {

class PlotView : public QWidget, public HostPanel {
 public:
  explicit PlotView(const panel::ScanSamples& samples);

  std::string Caption() const override { return "Live Plot"; }
  QWidget* Widget() override { return this; }
  void Startup() override { Redraw(); }
  // Writes the CSV text; false when the file cannot be written.
  bool SaveCsv(const QString& path) const;

 private:
  void Redraw();

  const panel::ScanSamples& samples_;
  uint64_t drawn_ = 0;
  QChart* charts_[3] = {};  // voltages, current, temperatures
};

}  // namespace gaugecal::host
