// morvane offscreen on the simulated gauges, driven the way a technician drives it: typing into
// boxes and clicking; message boxes are answered through the platform and collected. Also the
// plug-in shelf, the bus monitor and the Qt platform on their own.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>

#include "adapters/OpenAdapter.h"
#include "host/BusMonitor.h"
#include "host/MainWindow.h"
#include "host/PluginShelf.h"
#include "host/QtPlatform.h"
#include "host/RecordsView.h"
#include "host/TraceRow.h"
#include "records/RecordStore.h"
#include "session/Station.h"
#include "support/Bench.h"

namespace gaugecal::host {
namespace {

class Morvane {
 public:
  explicit Morvane(const std::string& adapter, const std::string& appDir = GAUGECAL_HOST_APPDIR)
      : Morvane(Options(adapter, appDir)) {}
  static HostOptions Options(const std::string& adapter,
                             const std::string& appDir = GAUGECAL_HOST_APPDIR) {
    HostOptions options;
    options.bus.adapter = adapter;
    options.virtualTime = true;
    options.appDir = appDir;
    return options;
  }
  explicit Morvane(const HostOptions& options) : platform(true) {
    platform.answer = [this](const MessageRecord& m) { messages.push_back(m.text); };
    platform.question = [this](const std::string& text) {
      questions.push_back(text);
      return yes;
    };
    window = std::make_unique<MainWindow>(platform, options);
    window->show();
    window->Start();
    window->activateWindow();  // focus moves only in the active window
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  template <class W>
  W* Find(const char* name) {
    W* w = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  bool Shown(const char* name) { return Find<QWidget>(name)->isVisibleTo(window.get()); }
  void Type(const char* box, const char* text) {
    auto* edit = Find<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
  }
  // Check and option buttons react to their box, not to the empty rest of their row.
  void Click(const char* button) {
    auto* b = Find<QAbstractButton>(button);
    const bool boxed = qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b);
    QTest::mouseClick(b, Qt::LeftButton, {},
                      boxed ? QPoint(6, b->height() / 2) : b->rect().center());
  }
  // The four cell references of the voltage page (cell 1 as given), its calibration ticked.
  void TypeCells(const char* cell1) {
    Type("txtVoltage(0)", cell1);
    Type("txtVoltage(1)", "7799");
    Type("txtVoltage(2)", "11704");
    Type("txtVoltage(3)", "15603");
    if (!Find<QCheckBox>("chkVoltageCal")->isChecked())
      Click("chkVoltageCal");
  }
  std::string Text(const char* name) {
    if (auto* box = window->findChild<QLineEdit*>(QString::fromLatin1(name)))
      return box->text().toStdString();
    return Find<QLabel>(name)->text().toStdString();
  }
  // The value column of a grid row by the name in its first column.
  std::string GridValue(const char* grid, const std::string& parameter) {
    auto* table = Find<QTableWidget>(grid);
    for (int row = 1; row < table->rowCount(); ++row)
      if (table->item(row, 0) && table->item(row, 0)->text().toStdString() == parameter)
        return table->item(row, 1)->text().toStdString();
    ADD_FAILURE() << parameter << " not in " << grid;
    return {};
  }
  // The lines of the check after the last calibration, "!" before those outside their target.
  std::vector<std::string> CheckLines() {
    std::vector<std::string> lines;
    if (!Shown("calibrationCheck"))
      return lines;
    for (const QLabel* line : Find<QWidget>("calibrationCheck")->findChildren<QLabel*>()) {
      const bool red = line->palette().color(QPalette::WindowText) == QColor(Qt::red);
      lines.push_back((red ? "!" : "") +
                      line->text().section(QLatin1Char(':'), 0, 0).toStdString());
    }
    return lines;
  }
  long TraceLines(const std::string& op) {
    long n = 0;
    for (const std::string& line : window->Monitor()->Shown())
      n += line.find("\"op\":\"" + op + "\"") != std::string::npos ? 1 : 0;
    return n;
  }

  QtPlatform platform;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  bool yes = false;  // the answer to every question
  std::unique_ptr<MainWindow> window;
};

// Every simulated family from the connection menu: the calibration tab starts without a
// message and shows what the family has.
TEST(MorvaneWindow, StartsTheCalibrationPanelOnEverySimulatedFamily) {
  Morvane app("sim:RN44K18");
  for (const std::string adapter : {"sim:CEDV", "sim:QSPAN", "sim:RN44K18", "sim:CEDV_PLUS"}) {
    SCOPED_TRACE(adapter);
    const bool rn44k18 = adapter == "sim:RN44K18";
    const std::string cells = adapter == "sim:QSPAN" || rn44k18 ? "4" : "3";  // as configured
    app.messages.clear();
    app.window->Monitor()->Clear();
    QAction* pick = nullptr;
    for (QAction* a : app.Find<QMenu>("connectionMenu")->actions())
      if (a->data().toString().toStdString() == adapter)
        pick = a;
    ASSERT_NE(pick, nullptr);
    pick->trigger();
    EXPECT_TRUE(pick->isChecked());
    EXPECT_EQ(app.window->ConnectionState().toStdString(), "Connected: " + adapter);
    ASSERT_EQ(app.window->Tabs()->count(), 5);  // calibration, plot, Auth, registers, data flash
    EXPECT_TRUE(app.messages.empty()) << app.messages.front();
    EXPECT_EQ(app.Shown("displaygrid"), rn44k18);
    EXPECT_EQ(app.Text("txtCellCount"), cells);
    auto* grid = app.Find<QTableWidget>("DFGrid");
    ASSERT_GT(grid->rowCount(), 2);
    EXPECT_FALSE(grid->item(1, 1)->text().isEmpty());  // read from the gauge
    EXPECT_GT(app.TraceLines("ReadSMBusBlock_"), 0);   // the monitor saw the start-up
  }
}

// What a widget of the calibration panel must satisfy at the window's size: inside its parent,
// clear of its visible siblings, and wide (or, wrapped, tall) enough for its text.
std::vector<std::string> LayoutFaults(QWidget* root) {
  std::vector<std::string> faults;
  const auto name = [](const QWidget* w) { return w->objectName().toStdString(); };
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(root) || w->objectName().isEmpty() || !w->parentWidget())
      continue;
    const QRect inParent = w->geometry();
    if (!w->parentWidget()->rect().contains(inParent))
      faults.push_back(name(w) + " leaves its container");
    for (QObject* o : w->parentWidget()->children()) {
      auto* other = qobject_cast<QWidget*>(o);
      if (other && other != w && other->isVisibleTo(root) && !other->objectName().isEmpty() &&
          other->geometry().intersects(inParent))
        faults.push_back(name(w) + " overlaps " + name(other));
    }
    const QFontMetrics fm = w->fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
      const bool fits = label->wordWrap()
                            ? label->heightForWidth(label->width()) <= label->height()
                            : fm.horizontalAdvance(label->text()) <= label->contentsRect().width();
      if (!fits)
        faults.push_back(name(w) + " cuts its text");
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      if (button->sizeHint().width() > button->width())
        faults.push_back(name(w) + " cuts its caption");
    } else if (auto* box = qobject_cast<QLineEdit*>(w)) {
      if (fm.horizontalAdvance(box->text()) > box->width())
        faults.push_back(name(w) + " cuts its text");
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
      for (int row = 0; row < table->rowCount(); ++row)
        for (int col = 0; col < table->columnCount(); ++col)
          if (table->item(row, col) &&
              fm.horizontalAdvance(table->item(row, col)->text()) > table->columnWidth(col))
            faults.push_back(name(w) + " cuts row " + std::to_string(row));
      if (table->verticalScrollBar()->maximum() > 0)
        faults.push_back(name(w) + " hides rows");
    }
  }
  return faults;
}

// At 1366x768 on every family and both pages: every control of the panel shown, in place and
// with its whole text; the scan and the read button fill the measured boxes.
TEST(MorvaneWindow, EveryControlFitsAt1366x768AndTheScanFillsTheMeasuredBoxes) {
  Morvane app("sim:CEDV");
  app.window->resize(1366, 768);
  for (const std::string adapter : {"sim:CEDV", "sim:QSPAN", "sim:RN44K18", "sim:CEDV_PLUS"}) {
    SCOPED_TRACE(adapter);
    for (QAction* a : app.Find<QMenu>("connectionMenu")->actions())
      if (a->data().toString().toStdString() == adapter)
        a->trigger();
    auto* panel = app.Find<QWidget>("NBCal");
    // The bus monitor open at its first quarter of the height: no page scrolls.
    ASSERT_TRUE(app.Find<QWidget>("busMonitorDock")->isVisible());
    for (const QSize screen : {QSize(1366, 768), QSize(1920, 1080)}) {
      app.window->resize(screen);
      QApplication::processEvents();
      auto* dock = app.Find<QDockWidget>("busMonitorDock");
      app.window->resizeDocks({dock}, {screen.height() / 4}, Qt::Vertical);  // as at start-up
      for (const int page : {1, 0}) {
        app.Find<QTabBar>("SStabCal")->setCurrentIndex(page);
        QApplication::processEvents();
        SCOPED_TRACE(QStringLiteral("%1x%2 page %3")
                         .arg(screen.width())
                         .arg(screen.height())
                         .arg(page)
                         .toStdString());
        EXPECT_EQ(LayoutFaults(panel), std::vector<std::string>{});
        auto* scroll = qobject_cast<QScrollArea*>(app.window->Tabs()->currentWidget());
        ASSERT_NE(scroll, nullptr);
        EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0)
            << "needs " << panel->minimumSizeHint().height() << " of "
            << scroll->viewport()->height();
        EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
      }
    }
    app.window->resize(1366, 768);
    EXPECT_TRUE(app.Shown("btnRefreshGaugeData"));
    EXPECT_TRUE(app.Shown("chkUpdates"));
    app.Type("txtCalMeasVoltage(0)", "");
    app.Click("chkUpdates");
    QTest::qWait(2600);
    app.Click("chkUpdates");
    EXPECT_FALSE(app.Text("txtCalMeasVoltage(0)").empty());
    EXPECT_NE(app.Text("txtCalMeasVoltage(0)"), "Err_Rd");
    const bool reads = adapter == "sim:RN44K18" || adapter == "sim:CEDV_PLUS";
    app.Type("txtCalMeasVoltage(0)", "");
    app.Click("btnRefreshGaugeData");
    if (reads) {  // the others read on the scan only
      EXPECT_FALSE(app.Text("txtCalMeasVoltage(0)").empty());
    }
  }
  EXPECT_TRUE(app.messages.empty()) << app.messages.front();
}

// One voltage and temperature calibration typed and clicked; and an entry the panel refuses,
// with its message and nothing written to the gauge.
TEST(MorvaneWindow, CalibratesVoltageAndTemperatureByTypingAndClicking) {
  for (const std::string cell1 : {"3902", "4,000"}) {
    SCOPED_TRACE(cell1);
    const bool done = cell1 == "3902";
    Morvane app("sim:RN44K18");
    const std::string scaleBefore = app.GridValue("DFGrid", "Cell Scale 0");
    app.window->Monitor()->Clear();
    app.TypeCells(cell1.c_str());
    app.Type("txtActualTemp(1)", "25.0");
    app.Click("chkTemp(1)");
    EXPECT_FALSE(app.Shown("imgCalDoneBox"));
    // The status bar as it is redrawn during the waits: step, elapsed time, bar and cursor.
    QStringList progress;
    const int poll = app.platform.StartTimer(0, [&] {
      app.window->ShowProgress();
      const QCursor* cursor = QApplication::overrideCursor();
      if (cursor && cursor->shape() == Qt::BusyCursor && !app.window->ProgressText().isEmpty())
        progress << app.window->ProgressText().section(QLatin1Char(':'), 0, 0);
    });
    app.Click("btnCalibrate");
    app.platform.StopTimer(poll);
    app.window->ShowProgress();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(app.window->ProgressText().startsWith(QStringLiteral("Leaving")));
    EXPECT_EQ(progress.contains(QStringLiteral("Averaging raw samples 1 of 4")), done);
    EXPECT_EQ(progress.contains(QStringLiteral("Leaving calibration mode")), done);
    EXPECT_EQ(app.Shown("imgCalDoneBox"), done);
    const std::string refused =
        "Invalid value entered! Error description: \"4,000\" for the "
        "actual voltage of Cell 1 is not a number";
    EXPECT_EQ(app.messages.size(), done ? 0U : 1U);
    EXPECT_EQ(app.messages.empty() ? "" : app.messages[0].substr(0, refused.size()),
              done ? "" : refused);
    EXPECT_EQ(app.GridValue("DFGrid", "Cell Scale 0") != scaleBefore, done);
    EXPECT_EQ(app.TraceLines("WriteSMBusBlock") > 0, done);
    EXPECT_TRUE(app.Find<QPushButton>("btnCalibrate")->isEnabled());
  }
}

// No reference is assumed: after start-up the reference boxes are empty with their design
// values as grey hints, and a press with an empty box gets the panel's own refusal. A
// reference far from the gauge's reading is asked about first (No stops it with nothing
// written, Yes calibrates); each done calibration shows its check, red outside its target.
TEST(MorvaneWindow, ReferencesAreTypedAskedAboutAndCheckedAfterwards) {
  const test::TempDir dir;
  HostOptions options = Morvane::Options("sim:RN44K18");
  options.bus.simScenario =
      dir.Write("drift.json", R"({"currentMa": -1500, "currentDriftMaPerS": 5})");
  Morvane app(options);
  for (const char* box :
       {"txtVoltage(0)", "txtVoltage(3)", "txtPackActualVoltage", "txtActualCurrent"}) {
    SCOPED_TRACE(box);
    EXPECT_EQ(app.Text(box), "");
    EXPECT_FALSE(app.Find<QLineEdit>(box)->placeholderText().isEmpty());
  }
  EXPECT_EQ(app.Find<QLineEdit>("txtActualCurrent")->placeholderText().toStdString(), "-2000");
  const struct {
    bool yes;
    bool done;
  } answers[] = {{false, false}, {true, true}};
  for (const auto& answer : answers) {
    SCOPED_TRACE(answer.yes);
    const std::string scaleBefore = app.GridValue("DFGrid", "Cell Scale 0");
    const std::string reading = app.Text("txtCalMeasVoltage(0)");
    app.questions.clear();
    app.yes = answer.yes;
    app.window->Monitor()->Clear();
    app.TypeCells("3000");
    app.Click("btnCalibrate");
    ASSERT_EQ(app.questions.size(), 1U);
    EXPECT_NE(app.questions[0].find("reference of 3000 mV"), std::string::npos) << app.questions[0];
    EXPECT_NE(app.questions[0].find("reading of " + reading + " mV"), std::string::npos)
        << app.questions[0];
    EXPECT_TRUE(app.questions[0].ends_with("\nCalibrate anyway?"));
    EXPECT_EQ(app.Shown("imgCalDoneBox"), answer.done);
    EXPECT_EQ(app.GridValue("DFGrid", "Cell Scale 0") != scaleBefore, answer.done);
    EXPECT_EQ(app.TraceLines("WriteSMBusBlock") > 0, answer.done);
    const std::vector<std::string> checked = {"Cell 1", "Cell 2", "Cell 3", "Cell 4"};
    EXPECT_EQ(app.CheckLines(), answer.done ? checked : std::vector<std::string>{});
  }
  // The current page: an empty box is the panel's own refusal; the load drifting away after
  // the calibration puts its check outside the target.
  auto* tabs = app.Find<QTabBar>("SStabCal");
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  app.window->Monitor()->Clear();
  app.Click("btnPackCurrent");
  EXPECT_EQ(app.messages, std::vector<std::string>{"Actual Current not entered for current "
                                                   "calibration. Please enter actual current."});
  EXPECT_EQ(app.TraceLines("WriteSMBusBlock"), 0);
  EXPECT_TRUE(app.CheckLines().empty());
  app.Type("txtActualCurrent", "-1500");
  app.Click("btnPackCurrent");
  EXPECT_TRUE(app.Shown("ImgPackCurrent")) << testing::PrintToString(app.questions);
  EXPECT_EQ(app.CheckLines(), std::vector<std::string>{"!Current"});
}

// The live plot follows the readings: a Read click adds points to its voltage chart.
TEST(MorvaneWindow, TheLivePlotReceivesTheScannedReadings) {
  Morvane app("sim:RN44K18");
  app.Click("btnRefreshGaugeData");
  app.Click("btnRefreshGaugeData");
  QTest::qWait(700);  // the plot redraws twice a second
  auto* voltages = app.Find<QChartView>("plotVoltages");
  ASSERT_FALSE(voltages->chart()->series().isEmpty());
  auto* cell1 = qobject_cast<QLineSeries*>(voltages->chart()->series().first());
  ASSERT_NE(cell1, nullptr);
  EXPECT_EQ(cell1->name(), QStringLiteral("Cell 1"));
  EXPECT_GE(cell1->count(), 3);  // start-up's reading and both clicks
  EXPECT_EQ(cell1->at(cell1->count() - 1).y(), std::stod(app.Text("txtCalMeasVoltage(0)")));
  EXPECT_FALSE(app.Find<QChartView>("plotCurrent")->chart()->series().isEmpty());
  EXPECT_FALSE(app.Find<QChartView>("plotTemperatures")->chart()->series().isEmpty());
}

// The standard commands with their flag bits as check marks, read by "Read" and again after
// each of the scan's readings while the pane is shown (never while it is hidden).
TEST(MorvaneWindow, TheRegistersPaneFollowsTheScanWhileShown) {
  Morvane app("sim:RN44K18");
  auto* table = app.Find<QTableWidget>("registerTable");
  const auto value = [table](const std::string& name, int column) -> QTableWidgetItem* {
    for (int row = 0; row < table->rowCount(); ++row)
      if (table->item(row, 1) && table->item(row, 1)->text().trimmed().toStdString() == name)
        return table->item(row, column);
    return nullptr;
  };
  app.Click("btnRefreshGaugeData");
  QTest::qWait(300);
  EXPECT_EQ(table->rowCount(), 0) << "hidden: nothing read";
  app.window->Tabs()->setCurrentIndex(3);
  app.Click("btnReadRegisters");
  ASSERT_NE(value("DesignCapacity", 3), nullptr);
  EXPECT_EQ(value("DesignCapacity", 3)->text().toStdString(), "4400 mAh");
  EXPECT_EQ(value("DesignCapacity", 2)->text().toStdString(), "0x1130");
  EXPECT_EQ(value("DeviceName", 3)->text().toStdString(), "SIM-RN44K18");
  ASSERT_NE(value("INITIALIZED", 1), nullptr);
  EXPECT_EQ(value("INITIALIZED", 1)->checkState(), Qt::Checked);
  EXPECT_EQ(value("FULLY_CHARGED", 1)->checkState(), Qt::Unchecked);
  EXPECT_EQ(value("CAPACITY_MODE", 1)->checkState(), Qt::Unchecked);
  const long before = app.TraceLines("ReadSMBusWord_");
  QTest::qWait(300);
  EXPECT_EQ(app.TraceLines("ReadSMBusWord_"), before) << "no new scan reading, no new read";
  app.window->Tabs()->setCurrentIndex(0);
  app.Click("btnRefreshGaugeData");
  app.window->Tabs()->setCurrentIndex(3);
  QTest::qWait(300);
  EXPECT_GE(app.TraceLines("ReadSMBusWord_"), before + 30) << "read again after the scan";
}

// The description's tree and the subclass's parameters as read; a typed value is checked,
// marked until "Write changes", then written and reported per parameter.
TEST(MorvaneWindow, TheDataFlashPaneMarksEditsUntilTheyAreWritten) {
  Morvane app("sim:CEDV");
  app.window->Tabs()->setCurrentIndex(4);  // shown: read
  auto* tree = app.Find<QTreeWidget>("dfTree");
  const QList<QTreeWidgetItem*> design =
      tree->findItems(QStringLiteral("Design"), Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(design.size(), 1);
  EXPECT_EQ(design.front()->parent()->text(0).toStdString(), "Gas Gauging");
  tree->setCurrentItem(design.front());
  auto* table = app.Find<QTableWidget>("dfTable");
  const auto row = [table](const std::string& name) {
    for (int r = 0; r < table->rowCount(); ++r)
      if (table->item(r, 0)->text().toStdString() == name)
        return r;
    return -1;
  };
  const auto cell = [&](const std::string& name, int column) {
    return table->item(row(name), column)->text().toStdString();
  };
  ASSERT_GE(row("Design Capacity"), 0);
  EXPECT_EQ(cell("Design Capacity", 1), "4400");
  EXPECT_EQ(cell("Design Capacity", 2), "mAh");
  EXPECT_EQ(cell("Design Capacity", 3), "100 .. 32767");
  const long writes = app.TraceLines("WriteSMBusBlock");
  table->item(row("Design Capacity"), 1)->setText(QStringLiteral("40000"));
  ASSERT_EQ(app.messages.size(), 1u);
  EXPECT_EQ(app.messages.front(),
            "Design Capacity: 40000 is out of range; it must be from 100 to 32767 mAh.");
  EXPECT_EQ(cell("Design Capacity", 1), "4400");
  table->item(row("Design Capacity"), 1)->setText(QStringLiteral("5200"));
  table->item(row("Cycle Count"), 1)->setText(QStringLiteral("21"));
  EXPECT_TRUE(table->item(row("Design Capacity"), 1)->font().bold());
  EXPECT_FALSE(table->item(row("Design Voltage"), 1)->font().bold());
  EXPECT_EQ(app.TraceLines("WriteSMBusBlock"), writes) << "nothing sent before Write changes";
  app.Click("btnWriteDataFlash");
  EXPECT_EQ(cell("Design Capacity", 1), "5200");
  EXPECT_EQ(cell("Design Capacity", 4), "written");
  EXPECT_EQ(cell("Cycle Count", 4), "written");
  EXPECT_EQ(cell("Design Voltage", 4), "");
  EXPECT_FALSE(table->item(row("Design Capacity"), 1)->font().bold());
  app.window->Tabs()->setCurrentIndex(3);
  app.Click("btnReadRegisters");
  const auto* registers = app.Find<QTableWidget>("registerTable");
  bool reported = false;
  for (int r = 0; r < registers->rowCount(); ++r)
    reported = reported || (registers->item(r, 1)->text() == QStringLiteral("DesignCapacity") &&
                            registers->item(r, 3)->text() == QStringLiteral("5200 mAh"));
  EXPECT_TRUE(reported);
}

// With continuous updates ticked, the scan timer reads the gauge every two seconds and the
// live grid shows what the measured boxes show.
TEST(MorvaneWindow, ScanTimerAndPages) {
  Morvane app("sim:RN44K18");
  for (const bool on : {true, false}) {
    app.Click("chkUpdates");
    ASSERT_EQ(app.Find<QCheckBox>("chkUpdates")->isChecked(), on);
    app.window->Monitor()->Clear();
    QTest::qWait(2600);
    EXPECT_EQ(app.TraceLines("ReadSMBusBlock_") > 0, on);
  }
  EXPECT_EQ(app.Text("txtCalMeasVoltage(0)"), app.GridValue("displaygrid", "Cell Voltage 1"));
  // A click on the tab bar reaches the panel, which shows one page at a time.
  auto* tabs = app.Find<QTabBar>("SStabCal");
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  EXPECT_EQ(std::pair(app.Shown("picCalibration(0)"), app.Shown("picCalibration(1)")),
            std::pair(false, true));
  EXPECT_TRUE(app.messages.empty());
}

// The "Auth" tab: the typed key authenticates; seal, then unseal with the key in the
// box; a key with a wrong character is refused on leaving the box, selected for retyping;
// the SHA-1 form of the Tools menu.
TEST(AuthView, AuthenticatesSealsUnsealsAndRefusesABadKey) {
  Morvane app("sim:RN44K18");
  app.window->Tabs()->setCurrentIndex(2);
  app.Find<QTabWidget>("ssTabAuth")->setCurrentIndex(1);
  app.Type("txtAuthKey", "0123456789ABCDEFFEDCBA9876543210");
  app.Click("btnAuthenticate");
  EXPECT_EQ(app.Text("lblAuthenticationStatus"), "Authentication Successful");
  app.Find<QTabWidget>("ssTabAuth")->setCurrentIndex(0);
  EXPECT_EQ(app.Text("lblSealStatus"), "Unsealed");
  for (const auto& [option, mode] :
       {std::pair{"optionAction(0)", "Sealed"}, std::pair{"optionAction(1)", "Unsealed"}}) {
    app.Click(option);
    EXPECT_TRUE(app.Find<QRadioButton>(option)->isChecked());
    app.Click("btnGo");
    EXPECT_EQ(app.Text("lblSealStatus"), mode);
  }
  EXPECT_TRUE(app.messages.empty()) << app.messages.front();
  app.Type("txtUnsealKey", "0123456789ABCDEFFEDCBA987654321G");
  app.Find<QLineEdit>("txtDigest")->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(app.messages, std::vector<std::string>{"Unseal Key has a non hex character."});
  auto* box = app.Find<QLineEdit>("txtUnsealKey");
  EXPECT_TRUE(box->hasFocus());
  EXPECT_EQ(box->selectedText().toStdString(), "0123456789ABCDEFFEDCBA987654321G");
  app.Type("txtUnsealKey", "0123456789ABCDEFFEDCBA9876543210");
  app.messages.clear();
  // The SHA-1 form from the Tools menu computes the digest of the typed message.
  QAction* open = app.Find<QAction>("openSHA1Calc");
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(app.Find<QMenu>("toolsMenu")->actions().contains(open));
  open->trigger();
  auto* form = app.Find<QDialog>("SHA1Calc");
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->windowTitle().toStdString(), "SHA1/HMAC");
  app.Type("txtMsg", "0000000000000000000000000000000000000000");
  app.Click("cmdSHA1Msg");
  EXPECT_EQ(form->findChild<QLineEdit*>("txtDigest")->text().toStdString(),
            "6768033E216468247BD031A0A2D9876D79818F8F");
  app.Click("cmdQuit");
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(app.messages.empty()) << app.messages.front();
}

// The key boxes as a technician types into them: a wrong character is selected once, by the
// change that brought it, so what is typed after Backspace ends up as typed; a click on
// Authenticate that leaves a refused key box gives that box's message only; the tabs carry
// their titles and the captions above their controls.
TEST(AuthView, KeyBoxesKeepWhatIsTypedAndARefusedBoxCancelsTheClick) {
  Morvane app("sim:RN44K18");
  app.window->Tabs()->setCurrentIndex(2);
  auto* tabs = app.Find<QTabWidget>("ssTabAuth");
  EXPECT_EQ(tabs->tabText(0).toStdString(), "Seal/UnSeal/Full Access");
  EXPECT_EQ(tabs->tabText(1).toStdString(), "Authentication");
  EXPECT_EQ(app.Text("lblModeCaption"), "Seal/Unseal/Full Access");
  EXPECT_EQ(app.Text("lblAuthCaption"), "Device Authentication");
  const auto retype = [&app](const char* name) {
    app.Type(name, "0123456789ABCDEFx");
    QTest::keyClick(app.Find<QLineEdit>(name), Qt::Key_Backspace);
    QTest::keyClicks(app.Find<QLineEdit>(name), QStringLiteral("FEDCBA9876543210"));
    return app.Text(name);
  };
  tabs->setCurrentIndex(0);
  EXPECT_EQ(retype("txtUnsealKey"), "0123456789ABCDEFFEDCBA9876543210");
  tabs->setCurrentIndex(1);
  EXPECT_EQ(retype("txtAuthKey"), "0123456789ABCDEFFEDCBA9876543210");
  app.Type("txtAuthKey", "0123456789ABCDEF");
  app.Click("btnAuthenticate");
  QApplication::processEvents();
  EXPECT_EQ(app.messages,
            std::vector<std::string>{"Length of Key needs to be 32 Hex characters long."});
  EXPECT_TRUE(app.Find<QLineEdit>("txtAuthKey")->hasFocus());
  EXPECT_EQ(app.Text("lblAuthenticationStatus"), "Progress") << "no authentication ran";
  app.Type("txtAuthKey", "0123456789ABCDEFFEDCBA9876543210");
  app.messages.clear();
  app.Click("btnAuthenticate");
  EXPECT_EQ(app.Text("lblAuthenticationStatus"), "Authentication Successful");
  EXPECT_TRUE(app.messages.empty()) << app.messages.front();
  app.Find<QAction>("openSHA1Calc")->trigger();
  EXPECT_EQ(retype("txtKey"), "0123456789ABCDEFFEDCBA9876543210");
}

// The security mode stays in the status bar through start-up, seal and unseal; unsealing from
// the Auth tab starts the calibration panel again, which fills its boxes from the gauge anew.
TEST(AuthView, TheModeIsInTheStatusBarAndUnsealingRestartsTheCalibrationPanel) {
  Morvane app("sim:RN44K18");
  auto* mode = app.Find<QLabel>("securityMode");
  EXPECT_EQ(mode->text().toStdString(), "Security mode: Unsealed");
  app.Type("txtCellCount", "Cell Count");
  app.window->Tabs()->setCurrentIndex(2);
  const struct {
    const char* option;
    const char* shown;
    const char* cellCount;  // what the calibration panel's box reads afterwards
  } steps[] = {
      {"optionAction(0)", "Security mode: Sealed", "Cell Count"},
      {"optionAction(2)", "Security mode: Full Access", "4"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.option);
    app.Click(step.option);
    app.Click("btnGo");
    EXPECT_EQ(mode->text().toStdString(), step.shown);
    EXPECT_EQ(app.Text("txtCellCount"), step.cellCount);
  }
  EXPECT_TRUE(app.messages.empty()) << app.messages.front();
}

// Help names the version, the licence and the documentation folder, which exists; File saves
// the whole bus trace.
TEST(MorvaneWindow, HelpAndFileMenus) {
  Morvane app("sim:CEDV");
  for (const char* action : {"about", "openDocumentation", "saveTrace"})
    EXPECT_NE(app.Find<QAction>(action), nullptr);
  const std::string about = app.window->AboutText().toStdString();
  EXPECT_NE(about.find("Morvane " GAUGECAL_VERSION_TEXT), std::string::npos) << about;
  EXPECT_NE(about.find("Licence: none chosen yet"), std::string::npos) << about;
  EXPECT_NE(about.find("Build: " GAUGECAL_BUILD_TYPE_TEXT " build, GCC "), std::string::npos)
      << about;
  const std::string docs = app.window->DocumentationFolder().toStdString();
  EXPECT_NE(about.find("Documentation: " + docs), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(docs) / "host.md")) << docs;
}

// Panel plug-ins load; every other file in the folder is reported in one line, and a window
// with a plug-in that cannot be loaded shows it and keeps its connection.
TEST(PluginShelf, LoadsPanelPluginsAndReportsEveryOtherFile) {
  test::TempDir temp;
  const std::string dir = temp.Dir() + "plugins";
  const struct {
    const char* file;  // copied from, or "" for the built panels
    const char* name;
    std::string problem;
  } cases[] = {
      {"", "", ""},
      {"not a plug-in\n", "README.txt", "No plug-in found in " + dir + "."},
      {GAUGECAL_OTHER_PLUGIN, "libother.so",
       "The plug-in libother.so does not offer panels (interface org.gaugecal.PanelPlugin/7)."},
      {"no library\n", "libbroken.so", "The plug-in libbroken.so could not be loaded: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.problem);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (std::string(c.file) == GAUGECAL_OTHER_PLUGIN)
      std::filesystem::copy_file(c.file, dir + "/" + c.name);
    else if (*c.file)
      std::ofstream(dir + "/" + c.name) << c.file;
    const PluginShelf shelf(QString::fromStdString(*c.file ? dir : GAUGECAL_HOST_APPDIR "plugins"));
    EXPECT_EQ(shelf.Plugins().size(), c.problem.empty() ? 1U : 0U);
    const std::string report = shelf.Problems().join("|").toStdString();
    if (c.problem.ends_with(": "))
      EXPECT_EQ(report.rfind(c.problem, 0), 0U) << report;
    else
      EXPECT_EQ(report, c.problem);
  }
  Morvane app("sim:RN44K18", temp.Dir());
  EXPECT_TRUE(app.Shown("pluginReport"));
  EXPECT_EQ(app.Text("pluginReport").rfind("The plug-in libbroken.so could not be loaded: ", 0),
            0U);
  EXPECT_EQ(app.window->Tabs()->count(), 0);
  EXPECT_EQ(app.window->ConnectionState().toStdString(), "Connected: sim:RN44K18");
}

// The filter shows one operation, saving writes what is shown, clearing forgets everything.
TEST(BusMonitor, FiltersByKindSavesTheWholeTraceAndClears) {
  const std::vector<std::string> trace = {
      R"({"seq":1,"t_ms":0.0,"op":"ReadSMBusWord","cmd":10,"addr":23,"msb":0,"lsb":5,"status":0})",
      R"({"seq":2,"t_ms":0.1,"op":"Sleep","ms":3.0})",
      R"({"seq":3,"t_ms":3.2,"op":"WriteSMBusWord_","cmd":0,"addr":23,"word":256,"status":0})",
      R"({"seq":4,"t_ms":3.3,"op":"Sleep","ms":50.0})",
  };
  BusMonitor monitor;
  for (const std::string& line : trace)
    monitor.Add(line);
  auto* kinds = monitor.findChild<QComboBox*>(QStringLiteral("busFilter"));
  ASSERT_NE(kinds, nullptr);
  EXPECT_EQ(kinds->count(), 4);  // all, and each kind once in the order first seen
  EXPECT_EQ(kinds->itemData(2).toString(), QStringLiteral("Sleep"));
  EXPECT_EQ(kinds->itemData(3).toString(), QStringLiteral("Write word"));
  auto* view = monitor.findChild<QTableWidget*>(QStringLiteral("busView"));
  test::TempDir dir;
  const std::string path = dir.Path("trace.jsonl");
  std::string whole;
  for (const std::string& line : trace)
    whole += line + "\n";
  for (const auto& [filter, shown] : std::vector<std::pair<QString, std::vector<size_t>>>{
           {"", {0, 1, 2, 3}}, {"Sleep", {1, 3}}, {"Write word", {2}}, {"Message", {}}}) {
    SCOPED_TRACE(filter.toStdString());
    monitor.SetFilter(filter);
    std::vector<std::string> expected;
    for (size_t i : shown)
      expected.push_back(trace[i]);
    EXPECT_EQ(monitor.Shown(), expected);
    EXPECT_EQ(view->rowCount(), static_cast<int>(shown.size()));
    ASSERT_TRUE(monitor.Save(QString::fromStdString(path)));
    EXPECT_EQ(test::ReadFile(path), whole) << "the filter only hides rows";
  }
  monitor.SetFilter("");
  view->selectRow(2);
  monitor.CopySelected();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), trace[2] + "\n");
  monitor.Clear();
  EXPECT_TRUE(monitor.Shown().empty());
  monitor.Add(trace[1]);
  EXPECT_EQ(monitor.Shown(), std::vector<std::string>{trace[1]});
  EXPECT_FALSE(monitor.Save(QString::fromStdString(dir.Path("missing/trace.jsonl"))));
}

// A trace line in the monitor's words: the kind, hex with the command's name, the value in its
// unit, and the status.
TEST(TraceRow, DecodesWordsBlocksSleepsAndMessages) {
  const struct {
    const char* line;
    TraceRow row;
  } cases[] = {
      // clang-format off
      {R"({"seq":1,"t_ms":12.5,"op":"ReadSMBusWord","cmd":9,"addr":23,"msb":15,"lsb":60,"status":0})",
       {"12.500", "Read word", "0x17", "0x09 Voltage", "0x0F3C", "3900 mV", "OK"}},
      {R"({"seq":2,"t_ms":1,"op":"ReadSMBusWord","cmd":10,"addr":23,"msb":248,"lsb":48,"status":0})",
       {"1.000", "Read word", "0x17", "0x0A Current", "0xF830", "-2000 mA", "OK"}},
      {R"({"seq":3,"t_ms":2,"op":"ReadSMBusWord_","cmd":8,"addr":23,"word":2982,"status":0})",
       {"2.000", "Read word", "0x17", "0x08 Temperature", "0x0BA6", "25.0 degC (2982 x 0.1 K)", "OK"}},
      {R"({"seq":4,"t_ms":3,"op":"WriteSMBusWord_","cmd":0,"addr":23,"word":84,"status":0})",
       {"3.000", "Write word", "0x17", "0x00 ManufacturerAccess 0x0054", "0x0054", "", "OK"}},
      {R"({"seq":5,"t_ms":4,"op":"ReadSMBusBlock_","cmd":35,"addr":23,"data":"06020000","len":4,"status":3})",
       {"4.000", "Read block", "0x17", "0x23 ManufacturerData", "06020000", "4 bytes", "failed (3)"}},
      {R"({"seq":6,"t_ms":5,"op":"ReadSMBusWord","cmd":63,"addr":23,"msb":15,"lsb":60,"status":0})",
       {"5.000", "Read word", "0x17", "0x3F CellVoltage1", "0x0F3C", "3900 mV", "OK"}},
      {R"({"seq":7,"t_ms":6,"op":"Sleep","ms":20.0})",
       {"6.000", "Sleep", "", "", "", "20 ms", ""}},
      {R"({"seq":8,"t_ms":7,"op":"MsgBox","text":"Can not set to calibration mode.","icon":0})",
       {"7.000", "Message", "", "", "Can not set to calibration mode.", "", ""}},
      {"not json", {"", "", "", "", "not json", "", ""}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const TraceRow r = DecodeTraceLine(c.line);
    EXPECT_EQ((std::vector{r.timeMs, r.kind, r.address, r.command, r.data, r.value, r.status}),
              (std::vector{c.row.timeMs, c.row.kind, c.row.address, c.row.command, c.row.data,
                           c.row.value, c.row.status}));
  }
}

// A message box shows the text, icon and title of the message (no title of its own: the
// application's name); OK pressed once it is up.
TEST(QtPlatform, MessageBoxShowsTheTextIconAndTitleOfTheMessage) {
  for (const auto& [icon, title, shownIcon, shownTitle] :
       std::vector<std::tuple<MsgIcon, std::string, QMessageBox::Icon, QString>>{
           {MsgIcon::None, "", QMessageBox::NoIcon, "Morvane"},
           {MsgIcon::Critical, "Auth", QMessageBox::Critical, "Auth"}}) {
    QtPlatform platform;
    QString seen;
    std::function<void()> answer = [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box)
        return QTimer::singleShot(10, answer);
      EXPECT_EQ(box->icon(), shownIcon);
      EXPECT_EQ(box->windowTitle(), shownTitle);
      seen = box->text();
      box->button(QMessageBox::Ok)->click();
    };
    QTimer::singleShot(10, answer);
    platform.MsgBox("Key updated. ", icon, title);
    EXPECT_EQ(seen.toStdString(), "Key updated. ");
    ASSERT_EQ(platform.Messages().size(), 1U);
    EXPECT_EQ(platform.Messages()[0].text, "Key updated. ");
  }
}

// Timers tick from the event loop a wait runs, on the real clock in both modes, and a tick may
// stop its own timer. The window shows progress from how long the gauge has been waited for:
// one stretch of waits counts from its first wait and ends when the waits stop.
TEST(QtPlatform, TimersTickDuringWaitsAndWaitingCoversAStretchOfWaits) {
  for (const bool virtualTime : {false, true}) {
    QtPlatform platform(virtualTime);
    int ticks = 0;
    bool insideWait = true;
    int id = -1;
    id = platform.StartTimer(5, [&] {
      insideWait = insideWait && platform.InWait();
      if (++ticks == 3)
        platform.StopTimer(id);
    });
    QElapsedTimer clock;
    clock.start();
    while (ticks < 3 && clock.elapsed() < 5000)
      platform.DoEvents(0.02);
    for (int i = 0; i < 5; ++i)
      platform.DoEvents(0.01);
    EXPECT_EQ(ticks, 3) << "virtual time " << virtualTime;
    EXPECT_TRUE(insideWait);
  }
  QtPlatform platform;
  EXPECT_LT(platform.WaitingMs(), 0.0);
  const double start = platform.ClockMs();
  double seenInWait = -1.0;
  const int id = platform.StartTimer(1, [&] { seenInWait = platform.WaitingMs(); });
  while (platform.ClockMs() - start < 400.0)
    platform.DoEvents(0.02);
  platform.StopTimer(id);
  EXPECT_GE(seenInWait, 200.0);
  platform.Sleep(400);  // a sleep is no wait: the stretch is over
  EXPECT_LT(platform.WaitingMs(), 0.0);
}

// The window on a bench shared with other stations: an adapter another tool holds is not
// opened, and a calibration saves its backup into the window's --backup-dir (the plug-in keeps
// its own module state, so the folder has to be handed over with the link).
TEST(MorvaneStation, CalibratesIntoTheBackupFolderAndStaysOffAHeldAdapter) {
  const test::TempDir dir;
  HostOptions options = Morvane::Options("i2c-sim:RN44K18");
  options.bus.simScenario = dir.Write("gauge.json", "{\"dataFlashFile\": \"df.hex\"}");
  options.bus.backupDir = dir.Path("backups");
  {
    Morvane app(options);
    ASSERT_TRUE(app.messages.empty());
    app.TypeCells("3902");
    app.Click("btnCalibrate");
    ASSERT_TRUE(app.Shown("imgCalDoneBox"));
    ASSERT_TRUE(std::filesystem::is_directory(dir.Path("backups")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("backups")),
                            std::filesystem::directory_iterator()),
              1);
  }

  VirtualPlatform platform;
  std::string error;
  const adapters::OpenedAdapter holder = adapters::OpenAdapter(
      "i2c-sim:RN44K18", options.bus.simScenario, platform, [](const std::string&) {}, error);
  ASSERT_TRUE(holder.link) << error;
  Morvane second(options);
  EXPECT_EQ(second.window->ConnectionState().toStdString(), "Not connected");
  EXPECT_EQ(second.window->statusBar()->currentMessage().toStdString(),
            "warning: i2c-sim:RN44K18: /dev/i2c-0 is in use by another gaugecal or morvane; "
            "nothing was done");
  EXPECT_TRUE(second.messages.empty());
}

// With the emulated bench, each page's Measure button fills its reference boxes from the
// instruments (every measurement shown under the page and in the bus trace), a calibration
// then takes them, and the current page's button calibrates with the supply's current on and
// switches it off afterwards, also with continuous updates off. The buttons fit the page at
// 1366x768.
TEST(MorvaneBench, MeasureFillsTheReferenceBoxesAndTheCurrentPageDrivesTheSource) {
  HostOptions options = Morvane::Options("sim:RN44K18");
  options.station = "emulated";
  Morvane app(options);
  session::Station* station = app.window->Station();
  ASSERT_NE(station, nullptr) << app.window->statusBar()->currentMessage().toStdString();
  app.window->resize(1366, 768);
  QApplication::processEvents();
  EXPECT_EQ(LayoutFaults(app.Find<QWidget>("NBCal")), std::vector<std::string>{});

  app.window->Monitor()->Clear();
  app.Click("btnMeasureVoltage");
  // Four cell taps, the battery and the two sensors the page offers, one line each.
  EXPECT_EQ(app.TraceLines("Measure"), 7);
  std::vector<std::string> lines = app.CheckLines();
  EXPECT_EQ(lines, std::vector<std::string>(7, "reference"));
  const QString first = app.Find<QWidget>("calibrationCheck")->findChild<QLabel*>()->text();
  EXPECT_TRUE(first.startsWith(QStringLiteral("reference: Cell 1 = ") +
                               QString::fromStdString(app.Text("txtVoltage(0)")) +
                               QStringLiteral(" mV (dmm1, mean of 10)")))
      << first.toStdString();
  for (const char* box : {"txtVoltage(0)", "txtVoltage(1)", "txtVoltage(2)", "txtVoltage(3)"}) {
    SCOPED_TRACE(box);
    const double reference = std::stod(app.Text(box));
    EXPECT_NEAR(reference, std::stod(app.Text(std::string(box).replace(3, 0, "CalMeas").c_str())),
                reference * 0.1);
  }
  app.Click("btnCalibrate");
  EXPECT_TRUE(app.Shown("imgCalDoneBox"));

  app.Click("btncalpg1");
  app.window->Monitor()->Clear();
  app.Click("btnMeasureCurrent");
  EXPECT_TRUE(app.Shown("ImgPackCurrent")) << testing::PrintToString(app.questions);
  lines = app.CheckLines();
  EXPECT_EQ(lines, (std::vector<std::string>{"reference", "Current"})) << "the check line";
  EXPECT_FALSE(station->SourceIsOn());
  EXPECT_FALSE(station->Emulation()->Supply().Channel(3).on);
  EXPECT_EQ(app.TraceLines("Source"), 4) << "voltage, current, output on, output off";
  EXPECT_TRUE(app.messages.empty());
}

// Where the desktop would open a URL: the test takes it instead of a browser.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  Q_INVOKABLE void Open(const QUrl& url) { opened.push_back(url); }
  std::vector<QUrl> opened;
};

std::vector<records::Record> StoredRecords(const std::string& target) {
  std::string error;
  std::vector<records::Record> found;
  const auto store = records::OpenRecordStore(target, error);
  EXPECT_TRUE(store && store->Query({}, found, error)) << error;
  return found;
}

// Every calibration clicked leaves one record (a refused one too, with its message); the Records
// tab lists them newest first, filters them, refuses a bad filter with a warning and writes the
// selected one's certificate for the browser. At the next start-up an interrupted calibration of
// the same gauge is warned about with its restore command.
TEST(MorvaneRecords, EveryCalibrationClickedIsOnRecordAndTheTabCertifiesIt) {
  const test::TempDir dir;
  setenv("XDG_DATA_HOME", dir.Path("data").c_str(), 1);
  HostOptions options = Morvane::Options("sim:RN44K18");
  options.records = dir.Path("records.sqlite");
  options.operatorName = "ana";
  {
    Morvane app(options);
    ASSERT_TRUE(app.messages.empty()) << app.messages.front();
    for (const char* cell1 : {"4,000", "3902"}) {
      app.TypeCells(cell1);
      app.Click("btnCalibrate");
    }
    ASSERT_TRUE(app.Shown("imgCalDoneBox"));
    ASSERT_EQ(app.messages.size(), 1U);

    const std::vector<records::Record> found = StoredRecords(options.records);
    ASSERT_EQ(found.size(), 2U);
    const records::Record& done = found[0];
    EXPECT_EQ(done.outcome, "pass");
    EXPECT_EQ(done.action, "voltage-temperature");
    EXPECT_EQ(done.operatorName, "ana");
    EXPECT_EQ(done.adapter, "sim:RN44K18");
    EXPECT_EQ(done.family, "RN44K18");
    EXPECT_TRUE(done.serial.has_value());
    EXPECT_FALSE(done.backup.empty());
    EXPECT_FALSE(done.ended.empty());
    ASSERT_FALSE(done.references.empty());
    EXPECT_EQ(done.references[0]["name"], "Cell 1");
    EXPECT_EQ(done.references[0]["text"], "3902");
    EXPECT_NE(done.before, done.after);
    EXPECT_EQ(done.check.size(), app.CheckLines().size());
    EXPECT_TRUE(done.messages.empty());
    EXPECT_EQ(found[1].outcome, "refused");
    EXPECT_TRUE(found[1].backup.empty());
    EXPECT_EQ(found[1].messages, std::vector<std::string>{app.messages[0]});

    RecordsView* view = app.window->Records();
    ASSERT_NE(view, nullptr);
    app.window->Tabs()->setCurrentWidget(view);
    auto* table = app.Find<QTableWidget>("recordsTable");
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 4)->text().toStdString(), "pass");
    EXPECT_EQ(table->item(1, 4)->text().toStdString(), "refused");
    EXPECT_EQ(table->item(0, 1)->text().toStdString(), std::to_string(*done.serial));

    auto* outcome = app.Find<QComboBox>("recordsOutcome");
    outcome->setCurrentIndex(outcome->findData(QStringLiteral("refused")));
    app.Click("recordsShow");
    EXPECT_EQ(table->rowCount(), 1);
    app.Type("recordsSerial", "70000");
    app.Click("recordsShow");
    EXPECT_EQ(app.window->statusBar()->currentMessage().toStdString(),
              "warning: the serial number \"70000\" is not a whole number from 0 to 65535");
    EXPECT_EQ(table->rowCount(), 1) << "a bad filter keeps what was shown";
    app.Type("recordsSerial", std::to_string(*done.serial).c_str());
    outcome->setCurrentIndex(outcome->findData(QStringLiteral("pass")));
    app.Type("recordsSince", "2020-01-01");
    app.Click("recordsShow");
    ASSERT_EQ(table->rowCount(), 1);

    UrlCatcher browser;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "Open");
    EXPECT_FALSE(app.Find<QPushButton>("btnCertificate")->isEnabled());
    table->selectRow(0);
    app.Click("btnCertificate");
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(browser.opened.size(), 1U);
    const std::string certificate = browser.opened[0].toLocalFile().toStdString();
    EXPECT_EQ(certificate, dir.Path("data/gaugecal/certificates/certificate-" +
                                    std::to_string(*done.serial) + "-" + done.id + ".html"));
    std::ifstream html(certificate);
    const std::string page((std::istreambuf_iterator<char>(html)),
                           std::istreambuf_iterator<char>());
    EXPECT_NE(page.find("ana"), std::string::npos);
    EXPECT_EQ(app.window->statusBar()->currentMessage().toStdString(),
              "Certificate written to " + certificate);
  }

  // A run of the same gauge that stopped after its backup, as a killed tool leaves it.
  records::Record interrupted = StoredRecords(options.records)[0];
  interrupted.id = records::NewRecordId();
  interrupted.started = "2099-01-01T00:00:00.000Z";
  interrupted.outcome = records::kInterrupted;
  interrupted.backup = dir.Path("backup.json");
  std::string error;
  ASSERT_TRUE(records::OpenRecordStore(options.records, error)->Begin(interrupted, error)) << error;
  Morvane again(options);
  EXPECT_EQ(again.window->statusBar()->currentMessage().toStdString(),
            "warning: the calibration of this gauge started at 2099-01-01T00:00:00.000Z was "
            "interrupted; its data flash may be half-written; restore it with: gaugecal restore " +
                interrupted.backup);
  unsetenv("XDG_DATA_HOME");
}

// A store that cannot be opened is named at start-up, and every calibration is refused with
// nothing written to the gauge.
TEST(MorvaneRecords, AStoreThatCannotBeOpenedRefusesEveryCalibration) {
  const test::TempDir dir;
  HostOptions options = Morvane::Options("sim:RN44K18");
  options.records = dir.Write("not-a-folder", "x") + "/records.sqlite";
  Morvane app(options);
  EXPECT_EQ(app.window->Records(), nullptr);
  const std::string status = app.window->statusBar()->currentMessage().toStdString();
  EXPECT_NE(status.find(options.records), std::string::npos) << status;
  app.window->Monitor()->Clear();
  app.TypeCells("3902");
  app.Click("btnCalibrate");
  ASSERT_EQ(app.messages.size(), 1U);
  EXPECT_NE(app.messages[0].find(options.records), std::string::npos) << app.messages[0];
  EXPECT_NE(app.messages[0].find("; nothing was written to the gauge"), std::string::npos);
  EXPECT_FALSE(app.Shown("imgCalDoneBox"));
  EXPECT_EQ(app.TraceLines("WriteSMBusBlock"), 0);
  EXPECT_EQ(app.TraceLines("WriteSMBusWord"), 0);
}

}  // namespace
}  // namespace gaugecal::host

#include "MorvaneTest.moc"
