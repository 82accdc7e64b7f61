#pragma once
// The Qt view of the calibration panel NBCal: one widget per control of the model, laid out in
// each container's grid of the design's rows and columns (panel/DesignGrid.h). The view holds no
// logic: typing, ticking, clicking and picking a tab go into the model, and every change
// notification of the model updates its widget. Under the panel, the check after the last
// calibration: one line per quantity, red when outside its target. With a station, a "Measure"
// button beside the calibration button of each page whose references the bench measures. With
// records, every calibration clicked is on record.

#include <QElapsedTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/PanelPlugin.h"
#include "panel/CalibrationCheck.h"
#include "panel/NBCal.h"
#include "session/WindowRecorder.h"

class QGridLayout;
class QLabel;
class QPushButton;
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
  void SetStation(session::ReferenceBench* station) override;
  void SetRecords(const session::WindowRecords& records) override;

 private:
  void Create(panel::Control& control);
  // A button clicked: a calibration button's click is on record, and its check shown under the
  // page when its done mark came up.
  void Clicked(panel::Control& button);
  // One calibration, press() clicking its button: on record when the window keeps records. The
  // check after it (empty unless done), or nothing when it was refused before the click.
  std::optional<std::vector<panel::CheckedQuantity>> Calibrate(CalibrationAction action,
                                                               const std::function<void()>& press);
  // The lines under the page: each shown, red when marked so.
  void ShowLines(const std::vector<std::pair<std::string, bool>>& lines);
  // Fills the action's reference boxes from the station; for the current calibration with a
  // source: source on, settle, measure, calibrate, source off.
  void Measure(CalibrationAction action);
  QWidget* Placed(const panel::Control* control);
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
  // With a station: a calibration button and its Measure button, placed where the button was.
  std::unordered_map<const panel::Control*, QWidget*> holders_;
  std::unordered_map<const panel::Control*, QPushButton*> measures_;
  session::ReferenceBench* station_ = nullptr;
  std::unique_ptr<session::WindowRecorder> recorder_;
  std::function<void()> stepBegun_;
  bool measuring_ = false;
  std::string measureStep_;
  QElapsedTimer measureClock_;
  // The grid of each container (nullptr: the panel itself).
  std::unordered_map<const panel::Control*, QGridLayout*> layouts_;
};

}  // namespace gaugecal::host
