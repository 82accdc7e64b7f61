#include "host/Screenshots.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>

#include "host/MainWindow.h"

namespace gaugecal::host {

namespace {

QString Slug(QString text) {
  text = text.toLower().remove(QLatin1Char('&'));
  text.replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
  return text.remove(QRegularExpression(QStringLiteral("^-+|-+$")));
}

// Layouts settle in rounds (a grid filled at start-up asks its page for room, the page its
// scroll area): the picture is taken once no layout request is pending.
bool Shoot(MainWindow& window, const QString& path) {
  constexpr int kLayoutRounds = 4;
  for (int round = 0; round < kLayoutRounds; ++round) {
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QApplication::processEvents();
  }
  return window.grab().save(path, "PNG");
}

// A few readings of the gauge, as a technician's Read clicks make them, so the live plot
// shows lines; then long enough for the plot to redraw.
void ReadTheGaugeAFewTimes(MainWindow& window) {
  constexpr int kReadings = 6;
  constexpr int kRedrawWaitMs = 700;
  auto* read = window.findChild<QPushButton*>(QStringLiteral("btnRefreshGaugeData"));
  for (int i = 0; read && i < kReadings; ++i)
    read->click();
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < kRedrawWaitMs)
    QApplication::processEvents(QEventLoop::AllEvents, kRedrawWaitMs);
}

}  // namespace

QStringList RenderScreenshots(MainWindow& window, const QString& folder) {
  QDir().mkpath(folder);
  QStringList written;
  ReadTheGaugeAFewTimes(window);
  QTabWidget* tabs = window.Tabs();
  for (int t = 0; t < tabs->count(); ++t) {
    tabs->setCurrentIndex(t);
    const QString name = QStringLiteral("morvane-%1").arg(Slug(tabs->tabText(t)));
    QWidget* page = tabs->widget(t);
    const QList<QTabBar*> inner = page->findChildren<QTabBar*>();
    if (inner.isEmpty()) {
      const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
      if (!Shoot(window, path))
        return written;
      written << path;
      continue;
    }
    for (QTabBar* bar : inner) {
      for (int i = 0; i < bar->count(); ++i) {
        bar->setCurrentIndex(i);
        const QString path =
            QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(name, Slug(bar->tabText(i))));
        if (!Shoot(window, path))
          return written;
        written << path;
      }
      bar->setCurrentIndex(0);
    }
  }
  tabs->setCurrentIndex(0);
  // The forms of the Tools menu, each in its own window.
  for (QAction* action : window.findChild<QMenu*>(QStringLiteral("toolsMenu"))->actions()) {
    const QWidgetList shown = QApplication::topLevelWidgets();
    const QSet<QWidget*> before(shown.begin(), shown.end());
    action->trigger();
    QApplication::processEvents();
    for (QWidget* form : QApplication::topLevelWidgets()) {
      if (before.contains(form) || !form->isVisible())
        continue;
      const QString path =
          QDir(folder).filePath(QStringLiteral("morvane-tool-%1.png").arg(Slug(action->text())));
      if (!form->grab().save(path, "PNG"))
        return written;
      written << path;
      form->close();
    }
  }
  return written;
}

}  // namespace gaugecal::host
