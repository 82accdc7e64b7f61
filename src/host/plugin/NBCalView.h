#pragma once
// The Qt view of the calibration panel NBCal: one widget per control of the model, laid out in
// each container's grid of the design's rows and columns (panel/DesignGrid.h). The view holds no
// logic: typing, ticking, clicking and picking a tab go into the model, and every change
// notification of the model updates its widget. Under the panel, the check after the last
// calibration: one line per quantity, red when outside its target.

#include <QWidget>
#include <string>
#include <unordered_map>

#include "host/PanelPlugin.h"
#include "panel/NBCal.h"

class QGridLayout;
class QLabel;
class QTabBar;
class QTableWidget;

namespace gaugecal::host {

class NBCalView : public QWidget, public HostPanel {
 public:
  // The module state holds the platform already; the link comes with the start-up event.
  explicit NBCalView(HostLink& link);
  ~NBCalView() override;

  std::string Caption() const override { return nbcal_.Caption(); }
  QWidget* Widget() override { return this; }
  void Startup() override;
  Progress Busy() override;
  const panel::ScanSamples& Samples() const { return nbcal_.Samples(); }
  void SetProgressSink(std::function<void()> stepBegun) override;
  void SetQuestion(Question ask) override;

 private:
  void Create(panel::Control& control);
  // After a calibration button's click: its check lines when its done mark came up.
  void ShowCheck(const panel::Control& button);
  void Update(const panel::ControlChange& change);
  void ApplyCaption(const panel::Control& control, QWidget* widget);
  void ApplyGrid(const panel::Grid& grid, QTableWidget* table);
  void ApplyCell(const panel::Grid& grid, QTableWidget* table, int row, int col);
  void Arrange(const panel::Control* container);
  static void FitTable(QTableWidget* table);
  static void ShowWrapped(QLabel* label, const QString& text, const panel::Twips& design);

  HostLink& link_;
  panel::NBCal nbcal_;
  QWidget* body_ = nullptr;   // the panel's controls in their design grid
  QWidget* check_ = nullptr;  // "calibrationCheck": the check lines under the page
  int observer_ = 0;
  std::unordered_map<const panel::Control*, QWidget*> widgets_;
  std::unordered_map<const panel::Control*, QTabBar*> tabBars_;  // the tab control's tabs
  // The grid of each container (nullptr: the panel itself).
  std::unordered_map<const panel::Control*, QGridLayout*> layouts_;
};

}  // namespace gaugecal::host
