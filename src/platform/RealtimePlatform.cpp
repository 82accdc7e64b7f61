#include "platform/RealtimePlatform.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "platform/TraceLog.h"

namespace gaugecal {

namespace {

using SteadyClock = std::chrono::steady_clock;

double SteadyMs() {
  return std::chrono::duration<double, std::milli>(SteadyClock::now().time_since_epoch()).count();
}

}  // namespace

RealtimePlatform::RealtimePlatform() : rng_(std::random_device{}()) {}

void RealtimePlatform::Sleep(int32_t ms) {
  if (Trace())
    Trace()->Record({.op = "Sleep", .ms = static_cast<double>(ms)});
  if (ms > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

float RealtimePlatform::Timer() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto sinceSecond =
      now - std::chrono::time_point_cast<std::chrono::seconds>(now);  // sub-second part
  const double fraction = std::chrono::duration<double>(sinceSecond).count();
  return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec + fraction);
}

void RealtimePlatform::DoEvents(double maxBlockSeconds) {
  if (maxBlockSeconds > 0.0) {
    // There is no other event source than the timers, so blocking until the earlier of the
    // next timer and the caller's limit is all a dispatcher would do.
    double untilMs = SteadyMs() + maxBlockSeconds * 1000.0;
    if (auto due = timers_.NextDueMs())
      untilMs = std::min(untilMs, *due);
    const double waitMs = untilMs - SteadyMs();
    if (waitMs > 0.0) {
      std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(waitMs));
    }
  }
  timers_.RunDue(SteadyMs());
}

void RealtimePlatform::MsgBox(const std::string& text, MsgIcon icon, const std::string& title) {
  messages_.push_back({text, icon, title});
  TraceMessageBox(messages_.back());
  if (onMessage)
    onMessage(messages_.back());
}

void RealtimePlatform::Randomize() {
  rng_.seed(static_cast<uint64_t>(SteadyClock::now().time_since_epoch().count()));
}

double RealtimePlatform::Rnd() {
  return static_cast<double>(rng_() >> 11) * 0x1.0p-53;
}

bool RealtimePlatform::FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

int RealtimePlatform::StartTimer(int32_t intervalMs, std::function<void()> tick) {
  return timers_.Start(intervalMs, SteadyMs(), std::move(tick));
}

void RealtimePlatform::StopTimer(int id) {
  timers_.Stop(id);
}

double RealtimePlatform::ClockMs() {
  return SteadyMs();
}

void RealtimePlatform::PassTime(double ms) {
  if (ms > 0.0)
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

}  // namespace gaugecal
