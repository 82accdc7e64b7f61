#pragma once
// morvane in the host tests.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "host/BusMonitor.h"
#include "host/MainWindow.h"
#include "host/QtPlatform.h"

namespace gaugecal::host {

// morvane on a simulated gauge in virtual time, driven the way a technician drives it: typing
// into boxes and clicking. Message boxes are answered through the platform and collected.
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
  // Check and option buttons react to their box and caption, not to the empty rest of their
  // row: they are clicked on the box.
  void Click(const char* button) {
    auto* b = Find<QAbstractButton>(button);
    const bool boxed = qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b);
    QTest::mouseClick(b, Qt::LeftButton, {},
                      boxed ? QPoint(6, b->height() / 2) : b->rect().center());
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
  long TraceLines(const std::string& op) {
    long n = 0;
    for (const std::string& line : window->Monitor()->Shown())
      n += line.find("\"op\":\"" + op + "\"") != std::string::npos ? 1 : 0;
    return n;
  }

  QtPlatform platform;
  std::vector<std::string> messages;
  std::unique_ptr<MainWindow> window;
};

}  // namespace gaugecal::host
