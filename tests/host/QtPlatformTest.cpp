#include "host/QtPlatform.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace gaugecal::host {
namespace {

// Presses OK on the modal message box once it is up, and tells what it showed.
struct SeenBox {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  bool seen = false;
};

void AnswerNextBox(SeenBox& seen) {
  QTimer::singleShot(10, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      AnswerNextBox(seen);
      return;
    }
    seen = {box->text(), box->icon(), box->windowTitle(), true};
    box->button(QMessageBox::Ok)->click();
  });
}

TEST(QtPlatform, MessageBoxShowsTheTextIconAndTitleOfTheMessage) {
  struct Case {
    std::string text;
    MsgIcon icon;
    std::string title;
    QMessageBox::Icon shownIcon;
    QString shownTitle;  // no title of its own: the application's name
  };
  const Case cases[] = {
      {"Unable to determine number of cells in use. Please check communications with device.",
       MsgIcon::None, "", QMessageBox::NoIcon, "Morvane"},
      {"Unable to communicate with device.  Please ensure device is connected. ", MsgIcon::Critical,
       "", QMessageBox::Critical, "Morvane"},
      {"Key updated.", MsgIcon::None, "Auth", QMessageBox::NoIcon, "Auth"},
  };
  for (const Case& c : cases) {
    QtPlatform platform;
    SeenBox seen;
    AnswerNextBox(seen);
    platform.MsgBox(c.text, c.icon, c.title);
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.text.toStdString(), c.text);
    EXPECT_EQ(seen.icon, c.shownIcon);
    EXPECT_EQ(seen.title, c.shownTitle);
    ASSERT_EQ(platform.Messages().size(), 1U);
    EXPECT_EQ(platform.Messages()[0].text, c.text);
  }
}

// Timers tick from the event loop a wait runs, and a tick may stop its own timer.
TEST(QtPlatform, TimersTickDuringWaitsUntilStopped) {
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
    // Timers run on the real clock in both modes.
    QElapsedTimer clock;
    clock.start();
    while (ticks < 3 && clock.elapsed() < 5000)
      platform.DoEvents(0.02);
    for (int i = 0; i < 5; ++i)
      platform.DoEvents(0.01);
    EXPECT_EQ(ticks, 3) << "virtual time " << virtualTime;
    EXPECT_TRUE(insideWait);
  }
}

// The window shows progress from how long the gauge has been waited for: one stretch of waits
// counts from its first wait and ends when the waits stop.
TEST(QtPlatform, WaitingCoversAStretchOfWaits) {
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

}  // namespace
}  // namespace gaugecal::host
