#pragma once
// The main window of morvane: one tab per panel of the plug-ins, the connection menu, the
// SMBus address and the connection state in the status bar, progress while the gauge is
// waited for, the bus monitor pane and, with records, the Records tab.

#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "host/HostOptions.h"
#include "host/PanelPlugin.h"
#include "records/RecordStore.h"

class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QTabWidget;

namespace gaugecal::session {
class BusSession;
class Station;
}  // namespace gaugecal::session

namespace gaugecal::host {

class BusMonitor;
class PluginShelf;
class RecordsView;
class QtPlatform;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(QtPlatform& platform, HostOptions options);
  ~MainWindow() override;

  // Loads the plug-ins, opens the adapter of the options and starts the panels. Call once the
  // window is shown.
  void Start();
  // Closes the panels and the adapter, opens this adapter and starts new panels. False when it
  // cannot be opened (the status bar says why) or while a panel waits for the gauge.
  bool Connect(const std::string& adapter);

  QTabWidget* Tabs() const { return tabs_; }
  BusMonitor* Monitor() const { return monitor_; }
  QString ConnectionState() const;
  // The documentation: the installed copy (<application directory>/doc) when there is one,
  // else the docs folder of the source tree the program was built from.
  QString DocumentationFolder() const;
  // The text of Help > About: version, licence and the documentation folder.
  QString AboutText() const;
  // The progress shown in the status bar: the step and elapsed time, and the bar.
  QString ProgressText() const;
  int ProgressValue() const;
  // Brings the status bar's progress up to date (a timer does so while the gauge is waited for).
  void ShowProgress();
  // The bench of --station on the connected gauge, or nullptr.
  session::Station* Station() const { return station_.get(); }
  // The Records tab, when the window keeps records.
  RecordsView* Records() const { return recordsView_; }
  // What went wrong loading the plug-ins, one line each.
  const QStringList& PluginProblems() const { return problems_; }

 private:
  void BuildMenus();
  void ClosePanels();
  void OpenPanels();
  void OpenStation();
  // The store of --records, opened again at each connection while it cannot be: until then
  // the panels refuse to calibrate, naming it.
  void OpenRecords();
  void AddRecordsTab();

  QtPlatform& platform_;
  HostOptions options_;
  std::unique_ptr<PluginShelf> shelf_;
  std::unique_ptr<session::BusSession> session_;
  std::unique_ptr<session::Station> station_;  // goes before the gauge: its source off first
  std::vector<HostPanel*> panels_;
  std::unique_ptr<records::RecordStore> records_;
  std::string recordsError_;
  std::vector<std::string> warningsShown_;  // for the records of the calibrations
  RecordsView* recordsView_ = nullptr;
  QStringList problems_;

  QTabWidget* tabs_;
  QLabel* pluginReport_;
  BusMonitor* monitor_;
  QActionGroup* adapters_ = nullptr;
  QMenu* tools_ = nullptr;  // the plug-ins' forms
  QLabel* connection_;
  QLabel* securityMode_ = nullptr;
  QLabel* address_;
  QLabel* waitLabel_;
  QProgressBar* waitBar_;
  bool busyCursor_ = false;
};

}  // namespace gaugecal::host
