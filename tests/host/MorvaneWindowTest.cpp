#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "MorvaneBench.h"
#include "host/BusMonitor.h"
#include "support/TempDir.h"

namespace gaugecal::host {
namespace {

// Every simulated family from the connection menu: the calibration tab starts without a
// message and shows what the family has.
TEST(MorvaneWindow, StartsTheCalibrationPanelOnEverySimulatedFamily) {
  struct Case {
    const char* adapter;
    bool liveGrid;
    const char* ext1Caption;
    const char* cells;  // as the gauge's configuration says
  };
  const Case cases[] = {
      {"sim:RN44K18", true, "Ext 1 Temp", "4"},
      {"sim:CEDV_PLUS", false, "Ext 1 Temp", "3"},
      {"sim:CEDV", false, "External Temperature", "3"},
      {"sim:QSPAN", false, "Ext 1 Temp", "4"},
  };
  Morvane app("sim:RN44K18");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.adapter);
    app.messages.clear();
    app.window->Monitor()->Clear();
    QAction* pick = nullptr;
    for (QAction* a : app.Find<QMenu>("connectionMenu")->actions())
      if (a->data().toString() == QLatin1String(c.adapter))
        pick = a;
    ASSERT_NE(pick, nullptr);
    pick->trigger();
    EXPECT_TRUE(pick->isChecked());
    EXPECT_EQ(app.window->ConnectionState().toStdString(), std::string("Connected: ") + c.adapter);
    ASSERT_EQ(app.window->Tabs()->count(), 2);
    EXPECT_EQ(app.window->Tabs()->tabText(0).toStdString(), "Host Calibration");
    EXPECT_EQ(app.window->Tabs()->tabText(1).toStdString(), "Auth");
    EXPECT_TRUE(app.messages.empty()) << app.messages.front();
    EXPECT_EQ(app.Shown("displaygrid"), c.liveGrid);
    EXPECT_TRUE(app.Shown("DFGrid"));
    EXPECT_EQ(app.Find<QCheckBox>("chkTemp(1)")->text().toStdString(), c.ext1Caption);
    EXPECT_EQ(app.Find<QLineEdit>("txtCellCount")->text().toStdString(), c.cells);
    EXPECT_EQ(app.Find<QLineEdit>("txtVoltage(3)")->isEnabled(), std::string(c.cells) == "4");
    auto* grid = app.Find<QTableWidget>("DFGrid");
    ASSERT_GT(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 0)->text().toStdString(), "Parameter");
    EXPECT_FALSE(grid->item(1, 1)->text().isEmpty());  // read from the gauge
    EXPECT_GT(app.TraceLines("ReadSMBusBlock_"), 0);   // the monitor saw the start-up
  }
}

// A plug-in that cannot be loaded is reported in the window, which keeps its connection.
TEST(MorvaneWindow, ReportsAPluginThatFailsToLoadAndKeepsRunning) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.Dir() + "plugins");
  std::ofstream(dir.Dir() + "plugins/libbroken.so") << "no library\n";
  Morvane app("sim:RN44K18", dir.Dir());
  EXPECT_TRUE(app.Shown("pluginReport"));
  EXPECT_EQ(app.Find<QLabel>("pluginReport")
                ->text()
                .toStdString()
                .rfind("The plug-in libbroken.so could not be loaded: ", 0),
            0U);
  EXPECT_EQ(app.window->Tabs()->count(), 0);
  EXPECT_EQ(app.window->ConnectionState().toStdString(), "Connected: sim:RN44K18");
}

// One voltage and temperature calibration typed and clicked; and entries the panel refuses,
// with its message and nothing written to the gauge.
TEST(MorvaneWindow, CalibratesVoltageAndTemperatureByTypingAndClicking) {
  struct Case {
    const char* cell1;
    bool done;
    std::string message;  // start of the one message; empty: none
  };
  const Case cases[] = {
      {"3902", true, ""},
      {"4,000", false,
       "Invalid value entered! Error description: \"4,000\" for the actual voltage of Cell 1 is "
       "not a number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cell1);
    Morvane app("sim:RN44K18");
    ASSERT_TRUE(app.messages.empty());
    const std::string scaleBefore = app.GridValue("DFGrid", "Cell Scale 0");
    app.window->Monitor()->Clear();
    app.Type("txtVoltage(0)", c.cell1);
    app.Type("txtVoltage(1)", "7799");
    app.Type("txtVoltage(2)", "11704");
    app.Type("txtVoltage(3)", "15603");
    app.Click("chkVoltageCal");
    app.Type("txtActualTemp(1)", "25.0");
    app.Click("chkTemp(1)");
    EXPECT_FALSE(app.Shown("imgCalDoneBox"));
    app.Click("btnCalibrate");
    EXPECT_EQ(app.Shown("imgCalDoneBox"), c.done);
    if (c.message.empty()) {
      EXPECT_TRUE(app.messages.empty()) << app.messages.front();
      EXPECT_NE(app.GridValue("DFGrid", "Cell Scale 0"), scaleBefore);
      EXPECT_GT(app.TraceLines("WriteSMBusBlock"), 0);
    } else {
      ASSERT_EQ(app.messages.size(), 1U);
      EXPECT_EQ(app.messages[0].rfind(c.message, 0), 0U) << app.messages[0];
      EXPECT_EQ(app.GridValue("DFGrid", "Cell Scale 0"), scaleBefore);
      EXPECT_EQ(app.TraceLines("WriteSMBusBlock"), 0);
    }
    EXPECT_TRUE(app.Find<QPushButton>("btnCalibrate")->isEnabled());
  }
}

// With continuous updates ticked, the scan timer reads the gauge every two seconds and the
// live grid shows what the measured boxes show.
TEST(MorvaneWindow, ScanTimerRefreshesTheLiveGrid) {
  Morvane app("sim:RN44K18");
  app.Click("chkUpdates");
  ASSERT_TRUE(app.Find<QCheckBox>("chkUpdates")->isChecked());
  app.window->Monitor()->Clear();
  QTest::qWait(2600);
  EXPECT_GT(app.TraceLines("ReadSMBusBlock_"), 0);
  const std::string cell1 = app.GridValue("displaygrid", "Cell Voltage 1");
  EXPECT_FALSE(cell1.empty());
  EXPECT_EQ(app.Find<QLineEdit>("txtCalMeasVoltage(0)")->text().toStdString(), cell1);

  app.Click("chkUpdates");  // off: the ticks leave the gauge alone
  app.window->Monitor()->Clear();
  QTest::qWait(2600);
  EXPECT_EQ(app.TraceLines("ReadSMBusBlock_"), 0);
}

// The tabs and the page buttons show one page at a time.
TEST(MorvaneWindow, SwitchesPagesByTabAndByButton) {
  Morvane app("sim:RN44K18");
  auto* tabs = app.Find<QTabBar>("SStabCal");
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(1).toStdString(), "Current");
  struct Step {
    const char* action;  // "tab0", "tab1" or a button
    bool page0;
  };
  const Step steps[] = {
      {"tab1", false}, {"btncalpage2", true}, {"btncalpg1", false}, {"tab0", true}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.action);
    const std::string action = s.action;
    if (action.rfind("tab", 0) == 0) {
      const int index = action.back() - '0';
      QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    } else {
      app.Click(s.action);
    }
    EXPECT_EQ(app.Shown("picCalibration(0)"), s.page0);
    EXPECT_EQ(app.Shown("picCalibration(1)"), !s.page0);
    EXPECT_EQ(tabs->currentIndex(), s.page0 ? 0 : 1);
  }
  EXPECT_TRUE(app.messages.empty());
}

}  // namespace
}  // namespace gaugecal::host
