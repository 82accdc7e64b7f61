#include "host/QtPlatform.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <cmath>

#include "platform/TraceLog.h"

namespace gaugecal::host {

namespace {

// A gap between waits shorter than this belongs to the same stretch (the transfers between
// the waits of one raw acquisition, say).
constexpr double kStretchGapMs = 300.0;

}  // namespace

QtPlatform::QtPlatform(bool virtualTime) : virtual_(virtualTime) {}

QtPlatform::~QtPlatform() {
  for (auto& [id, timer] : timers_)
    timer->stop();
}

void QtPlatform::Sleep(int32_t ms) {
  if (Trace())
    Trace()->Record({.op = "Sleep", .ms = static_cast<double>(ms)});
  PassTime(std::max<int32_t>(ms, 0));
}

float QtPlatform::Timer() {
  if (!virtual_)
    return os_.Timer();
  return static_cast<float>(std::fmod(os_.Timer() + offsetMs_ / 1000.0, 86400.0));
}

void QtPlatform::DoEvents(double maxBlockSeconds) {
  ++depth_;
  if (maxBlockSeconds > 0.0) {
    const double now = ClockMs();
    if (lastWaitMs_ < 0.0 || now - lastWaitMs_ > kStretchGapMs)
      waitSinceMs_ = now;
    lastWaitMs_ = now;
  }
  if (maxBlockSeconds <= 0.0 || virtual_) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (virtual_)
      offsetMs_ += std::max(maxBlockSeconds, 0.0) * 1000.0;
  } else {
    // Block in the dispatcher until an event comes or the slice ends; the caller checks its
    // clock and comes back for the rest.
    const int ms = std::clamp(static_cast<int>(std::ceil(maxBlockSeconds * 1000.0)), 1, kSliceMs);
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  --depth_;
}

void QtPlatform::MsgBox(const std::string& text, MsgIcon icon, const std::string& title) {
  messages_.push_back({text, icon, title});
  TraceMessageBox(messages_.back());
  if (answer) {
    answer(messages_.back());
    return;
  }
  // No title of its own: the application's name, as every message box of the host has.
  const QString caption =
      title.empty() ? QApplication::applicationDisplayName() : QString::fromStdString(title);
  QMessageBox box(icon == MsgIcon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, caption,
                  QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

bool QtPlatform::Ask(const std::string& text) {
  if (question)
    return question(text);
  QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtPlatform::Randomize() {
  os_.Randomize();
}

double QtPlatform::Rnd() {
  return os_.Rnd();
}

bool QtPlatform::FileExists(const std::string& path) {
  return os_.FileExists(path);
}

int QtPlatform::StartTimer(int32_t intervalMs, std::function<void()> tick) {
  const int id = nextTimer_++;
  auto* timer = new QTimer(&timerOwner_);
  QObject::connect(timer, &QTimer::timeout, timer, std::move(tick));
  timer->start(std::max(intervalMs, 1));
  timers_[id] = timer;
  return id;
}

void QtPlatform::StopTimer(int id) {
  const auto it = timers_.find(id);
  if (it == timers_.end())
    return;
  // A tick may stop its own timer: the object goes once its signal has returned.
  it->second->stop();
  it->second->deleteLater();
  timers_.erase(it);
}

double QtPlatform::ClockMs() {
  return os_.ClockMs() + offsetMs_;
}

void QtPlatform::PassTime(double ms) {
  if (virtual_)
    offsetMs_ += std::max(ms, 0.0);
  else
    os_.PassTime(ms);
}

double QtPlatform::WaitingMs() {
  if (lastWaitMs_ < 0.0)
    return -1.0;
  const double now = ClockMs();
  return now - lastWaitMs_ > kStretchGapMs ? -1.0 : now - waitSinceMs_;
}

}  // namespace gaugecal::host
