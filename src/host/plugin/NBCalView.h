#pragma once
// The Qt view of the calibration panel NBCal: one widget per control of the model, placed by
// its twips at the screen's logical DPI. The view holds no logic: typing, ticking, clicking and
// picking a tab go into the model, and every change notification of the model updates its
// widget.

#include <QWidget>
#include <string>
#include <unordered_map>

#include "host/PanelPlugin.h"
#include "panel/NBCal.h"

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

 private:
  void Create(panel::Control& control);
  void Update(const panel::ControlChange& change);
  void ApplyCaption(const panel::Control& control, QWidget* widget);
  void ApplyGrid(const panel::Grid& grid, QTableWidget* table);
  void ApplyCell(const panel::Grid& grid, QTableWidget* table, int row, int col);
  int Px(int twips) const;
  QRect Rect(const panel::Twips& twips) const;

  HostLink& link_;
  panel::NBCal nbcal_;
  int observer_ = 0;
  std::unordered_map<const panel::Control*, QWidget*> widgets_;
  std::unordered_map<const panel::Control*, QTabBar*> tabBars_;  // the tab control's tabs
};

}  // namespace gaugecal::host
