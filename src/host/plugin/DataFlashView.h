#pragma once
// The "Data Flash" pane: a tree of the description's classes and subclasses, a table of the
// chosen subclass's parameters with value, unit and range; a value typed into the table is
// checked and marked (bold) until "Write changes" writes every edit and shows the result per
// parameter; "Export..." and "Import..." save and load the whole described data flash. The
// logic is the model's (panel/DataFlashPane.h).

#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "host/PanelPlugin.h"
#include "panel/DataFlashPane.h"

class QTableWidget;
class QTreeWidget;

namespace gaugecal::host {

class DataFlashView : public QWidget, public HostPanel {
 public:
  // busy: whether the calibration panel runs a long action (nothing is read or written then).
  DataFlashView(HostLink& link, std::function<bool()> busy);

  std::string Caption() const override { return "Data Flash"; }
  QWidget* Widget() override { return this; }
  void Startup() override {}

  // What the buttons run, without their file dialogs.
  void Read();
  void WriteChanges();
  bool ExportTo(const QString& path);
  bool ImportFrom(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool Ready();
  void FillTree();
  void FillTable();
  void Edited(int row, int column);

  HostLink& link_;
  std::function<bool()> busy_;
  panel::DataFlashPane pane_;
  std::map<std::string, std::string> results_;
  std::string className_;
  std::string subclassName_;
  bool filling_ = false;
  QTreeWidget* tree_;
  QTableWidget* table_;
};

}  // namespace gaugecal::host
