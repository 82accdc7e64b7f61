#include "host/MainWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "adapters/OpenAdapter.h"
#include "host/BusMonitor.h"
#include "host/PluginShelf.h"
#include "host/QtPlatform.h"
#include "host/RecordsView.h"
#include "session/BenchCalibration.h"
#include "session/BusSession.h"
#include "session/RunRecorder.h"
#include "session/Station.h"

namespace gaugecal::host {

namespace {

constexpr const char* kSimulatedGauges[] = {"sim:RN44K18", "sim:CEDV_PLUS", "sim:CEDV",
                                            "sim:QSPAN"};
constexpr int kGaugeAddress = 0x17;  // the panels fix it at start-up
constexpr int kProgressPollMs = 200;
constexpr int kMonitorHeightShare = 4;
// The project has not chosen a licence yet; About says so rather than guess one.
constexpr const char* kLicence = "none chosen yet (the repository carries no licence file)";
constexpr double kShowProgressAfterMs = 500.0;
constexpr int kProgressFull = 1000;

}  // namespace

MainWindow::MainWindow(QtPlatform& platform, HostOptions options)
    : platform_(platform), options_(std::move(options)) {
  setWindowTitle(QStringLiteral("Morvane"));
  setObjectName(QStringLiteral("morvane"));

  auto* central = new QWidget(this);
  pluginReport_ = new QLabel(central);
  pluginReport_->setObjectName(QStringLiteral("pluginReport"));
  pluginReport_->setWordWrap(true);
  pluginReport_->setStyleSheet(QStringLiteral("color: #a00000;"));
  pluginReport_->hide();
  tabs_ = new QTabWidget(central);
  tabs_->setObjectName(QStringLiteral("panels"));
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(pluginReport_);
  layout->addWidget(tabs_, 1);
  setCentralWidget(central);

  monitor_ = new BusMonitor;
  auto* dock = new QDockWidget(QStringLiteral("Bus monitor"), this);
  dock->setObjectName(QStringLiteral("busMonitorDock"));
  dock->setWidget(monitor_);
  addDockWidget(Qt::BottomDockWidgetArea, dock);
  // A quarter of the height at first: the panels above keep the room they need.
  QTimer::singleShot(0, this, [this, dock] { resizeDocks({dock}, {height() / 4}, Qt::Vertical); });
  connect(monitor_, &BusMonitor::problem, this,
          [this](const QString& text) { statusBar()->showMessage(text); });

  connection_ = new QLabel(this);
  connection_->setObjectName(QStringLiteral("connectionState"));
  address_ = new QLabel(
      QStringLiteral("SMBus address 0x%1").arg(kGaugeAddress, 2, 16, QLatin1Char('0')), this);
  address_->setObjectName(QStringLiteral("smbusAddress"));
  waitLabel_ = new QLabel(this);
  waitBar_ = new QProgressBar(this);
  waitBar_->setMaximumWidth(120);
  waitLabel_->hide();
  waitBar_->hide();
  statusBar()->addPermanentWidget(waitLabel_);
  statusBar()->addPermanentWidget(waitBar_);
  securityMode_ = new QLabel(this);
  securityMode_->setObjectName(QStringLiteral("securityMode"));
  statusBar()->addPermanentWidget(securityMode_);
  statusBar()->addPermanentWidget(address_);
  statusBar()->addPermanentWidget(connection_);

  // The tool's own diagnoses (an instrument that failed, an adapter's quirk) go to the status bar.
  platform_.onWarning = [this](const std::string& text) {
    warningsShown_.push_back(text);
    statusBar()->showMessage(QStringLiteral("warning: ") + QString::fromStdString(text));
  };

  BuildMenus();
  auto* poll = new QTimer(this);
  connect(poll, &QTimer::timeout, this, &MainWindow::ShowProgress);
  poll->start(kProgressPollMs);
}

MainWindow::~MainWindow() {
  platform_.onWarning = nullptr;  // the platform outlives the window
  if (busyCursor_)
    QApplication::restoreOverrideCursor();
  ClosePanels();
  station_.reset();
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* saveTrace = file->addAction(QStringLiteral("&Save trace..."));
  saveTrace->setObjectName(QStringLiteral("saveTrace"));
  connect(saveTrace, &QAction::triggered, monitor_, &BusMonitor::SaveAs);
  QAction* quit = file->addAction(QStringLiteral("&Quit"));
  quit->setShortcut(QKeySequence::Quit);
  connect(quit, &QAction::triggered, this, &QWidget::close);

  QMenu* menu = menuBar()->addMenu(QStringLiteral("&Connection"));
  menu->setObjectName(QStringLiteral("connectionMenu"));
  adapters_ = new QActionGroup(this);
  QStringList names;
  for (const char* name : kSimulatedGauges)
    names << QString::fromLatin1(name);
  // The real adapters attached now (i2c-dev buses, CP2112 bridges); none on a machine without.
  QStringList descriptions;
  for (const auto& driver : adapters::RealDrivers(platform_)) {
    for (const adapters::AttachedAdapter& found : driver->List()) {
      names << QString::fromStdString(found.name);
      descriptions << QString::fromStdString(found.name + " (" + found.description + ")");
    }
  }
  const QString given = QString::fromStdString(options_.bus.adapter);
  if (!names.contains(given))
    names.prepend(given);
  for (const QString& name : names) {
    QString label = name;
    if (name.startsWith(QStringLiteral("sim:")))
      label = QStringLiteral("Simulated %1 gauge (%2)").arg(name.mid(4), name);
    for (const QString& described : descriptions) {
      if (described.startsWith(name + QStringLiteral(" (")))
        label = described;
    }
    QAction* action = menu->addAction(label);
    action->setCheckable(true);
    action->setData(name);
    action->setChecked(name == given);
    adapters_->addAction(action);
  }
  connect(adapters_, &QActionGroup::triggered, this, [this](QAction* action) {
    const std::string before = session_ ? session_->AdapterName() : options_.bus.adapter;
    if (!Connect(action->data().toString().toStdString())) {
      for (QAction* a : adapters_->actions())
        a->setChecked(a->data().toString().toStdString() == before);
    }
  });

  tools_ = menuBar()->addMenu(QStringLiteral("&Tools"));
  tools_->setObjectName(QStringLiteral("toolsMenu"));
  tools_->menuAction()->setVisible(false);

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->addAction(findChild<QDockWidget*>(QStringLiteral("busMonitorDock"))->toggleViewAction());

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("helpMenu"));
  QAction* docs = help->addAction(QStringLiteral("&Documentation"));
  docs->setObjectName(QStringLiteral("openDocumentation"));
  connect(docs, &QAction::triggered, this, [this] {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(DocumentationFolder())))
      statusBar()->showMessage(
          QStringLiteral("warning: cannot open %1").arg(DocumentationFolder()));
  });
  QAction* about = help->addAction(QStringLiteral("&About Morvane"));
  about->setObjectName(QStringLiteral("about"));
  connect(about, &QAction::triggered, this,
          [this] { QMessageBox::about(this, QStringLiteral("About Morvane"), AboutText()); });
}

void MainWindow::Start() {
  const QString folder = QString::fromStdString(options_.appDir) + QStringLiteral("plugins");
  shelf_ = std::make_unique<PluginShelf>(folder);
  problems_ = shelf_->Problems();
  for (PanelPlugin* plugin : shelf_->Plugins())
    for (QAction* action : plugin->Actions(this, platform_))
      tools_->addAction(action);
  tools_->menuAction()->setVisible(!tools_->isEmpty());
  pluginReport_->setText(problems_.join(QLatin1Char('\n')));
  pluginReport_->setVisible(!problems_.isEmpty());
  if (!problems_.isEmpty())
    statusBar()->showMessage(QStringLiteral("warning: ") + problems_.first());
  Connect(options_.bus.adapter);
}

void MainWindow::OpenRecords() {
  const std::string target = records::RecordsTarget(options_.records);
  if (records_ || target == "none")
    return;
  records_ = records::OpenRecordStore(target, recordsError_);
  if (!records_) {
    platform_.Warning(recordsError_ + "; calibrations are refused until it can be written");
    return;
  }
  recordsError_.clear();
}

// After the panels' tabs, once: it stays while the connection changes.
void MainWindow::AddRecordsTab() {
  if (!records_ || recordsView_)
    return;
  recordsView_ =
      new RecordsView(*records_, [this](const QString& text) { statusBar()->showMessage(text); });
  // The tab reads the store whenever it is shown: calibrations add to it meanwhile.
  connect(tabs_, &QTabWidget::currentChanged, recordsView_, [this](int index) {
    if (tabs_->widget(index) == recordsView_)
      recordsView_->Refresh();
  });
  tabs_->addTab(recordsView_, QStringLiteral("Records"));
}

bool MainWindow::Connect(const std::string& adapter) {
  if (platform_.InWait()) {
    statusBar()->showMessage(
        QStringLiteral("warning: the connection can change once the gauge is idle"));
    return false;
  }
  ClosePanels();
  station_.reset();
  session_.reset();
  session::BusOptions bus = options_.bus;
  bus.adapter = adapter;
  if (adapter != options_.bus.adapter)
    bus.simScenario.clear();  // the scenario file belongs to the adapter given at start-up
  std::string error;
  session_ = session::BusSession::Open(
      bus, platform_, [this](const std::string& line) { monitor_->Add(line); }, error);
  if (!session_) {
    connection_->setText(QStringLiteral("Not connected"));
    statusBar()->showMessage(QStringLiteral("warning: ") + QString::fromStdString(error));
    return false;
  }
  connection_->setText(QStringLiteral("Connected: %1").arg(QString::fromStdString(adapter)));
  for (QAction* a : adapters_->actions())
    a->setChecked(a->data().toString().toStdString() == adapter);
  OpenStation();
  OpenRecords();
  OpenPanels();
  return true;
}

// The bench of --station for this gauge (the emulated bench lives on the simulated gauge). An
// instrument that does not answer leaves the references to be typed, with the reason shown.
void MainWindow::OpenStation() {
  if (options_.station.empty())
    return;
  std::string error;
  station_ = session::OpenStation(options_.station, session_->Gauge(), error);
  if (!station_) {
    statusBar()->showMessage(QStringLiteral("warning: ") + QString::fromStdString(error));
    return;
  }
  session::TraceStation(*station_, platform_);
}

QString MainWindow::DocumentationFolder() const {
  const QString installed = QString::fromStdString(options_.appDir) + QStringLiteral("doc");
  if (QFileInfo(installed).isDir())
    return installed;
  return QStringLiteral(GAUGECAL_SOURCE_DOCS);
}

QString MainWindow::AboutText() const {
  return QStringLiteral(
             "Morvane %1\nThe bench window of gaugecal: calibration and security of "
             "smart-battery fuel gauges.\nBuild: %2, GCC %3, Qt %4 (running on Qt %5)\n"
             "Licence: %6\nDocumentation: %7")
      .arg(QStringLiteral(GAUGECAL_VERSION), QStringLiteral(GAUGECAL_BUILD_TYPE),
           QStringLiteral(__VERSION__), QStringLiteral(QT_VERSION_STR),
           QString::fromLatin1(qVersion()), QString::fromLatin1(kLicence), DocumentationFolder());
}

QString MainWindow::ProgressText() const {
  return waitLabel_->isVisibleTo(this) ? waitLabel_->text() : QString();
}

int MainWindow::ProgressValue() const {
  return waitBar_->value();
}

QString MainWindow::ConnectionState() const {
  return connection_->text();
}

void MainWindow::OpenPanels() {
  if (!shelf_ || !session_)
    return;
  session::WindowRecords records;
  records.store = records_.get();
  records.unavailable = recordsError_;
  records.setup.station = station_ && !station_->Profile().name.empty() ? station_->Profile().name
                                                                        : session::StationName();
  records.setup.operatorName = session::OperatorName(options_.operatorName);
  records.setup.toolVersion = GAUGECAL_VERSION;
  records.setup.adapter = session_->AdapterName();
  records.messages = &platform_.Messages();
  records.warnings = &warningsShown_;
  for (PanelPlugin* plugin : shelf_->Plugins()) {
    for (HostPanel* panel :
         plugin->CreatePanels(session_->Link(), platform_, session_->BackupDir())) {
      panels_.push_back(panel);
      panel->SetStatusSink([this](const std::string& text) {
        securityMode_->setText(QString::fromStdString(text));
      });
      panel->SetQuestion([this](const std::string& text) { return platform_.Ask(text); });
      panel->SetStation(station_.get());
      panel->SetRecords(records);
      // A step that sleeps lets no events run: its text is drawn as it begins.
      panel->SetProgressSink([this] {
        ShowProgress();
        statusBar()->repaint();
      });
      // A panel grows with the window; below the size its texts need, the tab scrolls.
      auto* scroll = new QScrollArea;
      scroll->setWidgetResizable(true);
      scroll->setWidget(panel->Widget());
      if (!recordsView_)
        tabs_->addTab(scroll, QString::fromStdString(panel->Caption()));
      else  // before the Records tab
        tabs_->insertTab(tabs_->indexOf(recordsView_), scroll,
                         QString::fromStdString(panel->Caption()));
    }
  }
  AddRecordsTab();
  // Start-up talks to the gauge and may show messages: the panels are in place first.
  for (HostPanel* panel : panels_)
    panel->Startup();
}

void MainWindow::ClosePanels() {
  if (securityMode_)
    securityMode_->clear();  // the next panels read the mode of the gauge they start on
  std::vector<HostPanel*> panels;
  panels.swap(panels_);
  for (HostPanel* panel : panels) {
    for (int t = 0; t < tabs_->count(); ++t) {
      auto* scroll = qobject_cast<QScrollArea*>(tabs_->widget(t));
      if (scroll && scroll->widget() == panel->Widget()) {
        tabs_->removeTab(t);
        delete scroll;  // and the panel with it
        break;
      }
    }
  }
}

// A panel's calibration shows its step, its share of the known waits and the elapsed time
// under a busy cursor; any other long wait for the gauge shows the elapsed time alone.
void MainWindow::ShowProgress() {
  HostPanel::Progress progress;
  for (HostPanel* panel : panels_)
    if (const HostPanel::Progress p = panel->Busy(); p.busy)
      progress = p;
  if (progress.busy != busyCursor_) {
    if (progress.busy)
      QApplication::setOverrideCursor(Qt::BusyCursor);
    else
      QApplication::restoreOverrideCursor();
    busyCursor_ = progress.busy;
  }
  const double ms = platform_.WaitingMs();
  const bool waiting = ms >= kShowProgressAfterMs;
  if (progress.busy) {
    const QString step = progress.step.empty() ? QStringLiteral("Calibrating")
                                               : QString::fromStdString(progress.step);
    waitLabel_->setText(
        QStringLiteral("%1: %2 s").arg(step).arg(progress.elapsedMs / 1000.0, 0, 'f', 1));
    waitBar_->setRange(0, kProgressFull);
    waitBar_->setValue(progress.permille);
  } else if (waiting) {
    waitLabel_->setText(QStringLiteral("Waiting for the gauge: %1 s").arg(ms / 1000.0, 0, 'f', 1));
    waitBar_->setRange(0, 0);  // how long this wait lasts is not known
  }
  waitLabel_->setVisible(progress.busy || waiting);
  waitBar_->setVisible(progress.busy || waiting);
}

}  // namespace gaugecal::host
