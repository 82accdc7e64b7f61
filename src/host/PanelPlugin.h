#pragma once
// How the host application and a plug-in meet. The host loads every Qt plug-in in the
// "plugins" folder of its application directory with QPluginLoader; a plug-in whose root
// object implements PanelPlugin creates its panels on the host's link and platform. The host
// puts each panel into a tab named by its caption and raises the panel's start-up event once
// the window is shown; the plug-in's other forms are actions in the host's Tools menu. The plug-in
// finds the application directory from its own folder.

#include <QtPlugin>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QWidget;

namespace gaugecal {
class HostLink;
class Platform;
}  // namespace gaugecal

namespace gaugecal::session {
class ReferenceBench;
struct WindowRecords;
}  // namespace gaugecal::session

namespace gaugecal::host {

class HostPanel {
 public:
  virtual ~HostPanel() = default;
  virtual std::string Caption() const = 0;
  // The panel's widget. The host places it and owns it through the widget tree; deleting the
  // widget deletes the panel.
  virtual QWidget* Widget() = 0;
  // The container's start-up event.
  virtual void Startup() = 0;
  // Where the panel reports a state the host keeps in its status bar (the security mode).
  using StatusSink = std::function<void(const std::string&)>;
  virtual void SetStatusSink(StatusSink sink) { (void)sink; }
  // A long action the panel runs now (a calibration): its step, how far along (0 to 1000 of
  // the waits it is known to make) and how long it has taken. Not busy between actions.
  struct Progress {
    bool busy = false;
    std::string step;
    int permille = 0;
    double elapsedMs = 0.0;
  };
  virtual Progress Busy() { return {}; }
  // Called as each step of a long action begins (also steps that let no events run).
  virtual void SetProgressSink(std::function<void()> stepBegun) { (void)stepBegun; }
  // Where the panel asks a yes/no question (text as shown, No the default); true is Yes.
  using Question = std::function<bool(const std::string&)>;
  virtual void SetQuestion(Question ask) { (void)ask; }
  // Run the start-up again: the gauge changed in a way the last start-up could not see.
  virtual void Restart() { Startup(); }
  // The bench instruments of the window's station profile (--station), or nullptr: a panel
  // with reference boxes offers to measure them. The station outlives the panel.
  virtual void SetStation(session::ReferenceBench* station) { (void)station; }
  // Where a panel that calibrates keeps a record of each calibration clicked. What it points to
  // outlives the panel.
  virtual void SetRecords(const session::WindowRecords& records) { (void)records; }
};

class PanelPlugin {
 public:
  virtual ~PanelPlugin() = default;
  // The link and the platform stay valid as long as the panels live. backupDir is where the
  // panels save the data flash before they write it (empty: the default folder).
  virtual std::vector<HostPanel*> CreatePanels(HostLink& link, Platform& platform,
                                               const std::string& backupDir) = 0;
  // Forms the host offers in its Tools menu, as actions owned by the window; the platform
  // outlives the window.
  virtual std::vector<QAction*> Actions(QWidget* window, Platform& platform) = 0;
};

}  // namespace gaugecal::host

// The number changes with every change of the interface, so a plug-in built against another
// version is refused rather than called.
#define GAUGECAL_PANEL_PLUGIN_IID "org.gaugecal.PanelPlugin/7"
Q_DECLARE_INTERFACE(gaugecal::host::PanelPlugin, GAUGECAL_PANEL_PLUGIN_IID)
