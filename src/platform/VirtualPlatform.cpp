#include "platform/VirtualPlatform.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/TraceLog.h"

namespace gaugecal {

namespace {
constexpr double kSecondsPerDay = 86400.0;
}

VirtualPlatform::VirtualPlatform(double startSecondsOfDay, uint64_t seed)
    : startSecondsOfDay_(startSecondsOfDay), rng_(seed ? seed : 1) {}

void VirtualPlatform::Sleep(int32_t ms) {
  if (Trace())
    Trace()->Record({.op = "Sleep", .ms = static_cast<double>(ms)});
  PassTime(std::max<int32_t>(ms, 0));
}

float VirtualPlatform::Timer() {
  return static_cast<float>(std::fmod(startSecondsOfDay_ + nowMs_ / 1000.0, kSecondsPerDay));
}

void VirtualPlatform::DoEvents(double maxBlockSeconds) {
  if (maxBlockSeconds > 0.0) {
    // Nothing happens in virtual time between events: jump to the next timer or the limit.
    double target = nowMs_ + maxBlockSeconds * 1000.0;
    if (auto due = timers_.NextDueMs())
      target = std::min(target, std::max(*due, nowMs_));
    nowMs_ = target;
  }
  timers_.RunDue(nowMs_);
}

void VirtualPlatform::MsgBox(const std::string& text, MsgIcon icon, const std::string& title) {
  messages_.push_back({text, icon, title});
  TraceMessageBox(messages_.back());
  if (onMessage)
    onMessage(messages_.back());
}

double VirtualPlatform::Rnd() {
  // xorshift64*: small, portable and the same sequence on every machine.
  rng_ ^= rng_ >> 12;
  rng_ ^= rng_ << 25;
  rng_ ^= rng_ >> 27;
  const uint64_t x = rng_ * 2685821657736338717ULL;
  return static_cast<double>(x >> 11) * 0x1.0p-53;
}

bool VirtualPlatform::FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

int VirtualPlatform::StartTimer(int32_t intervalMs, std::function<void()> tick) {
  return timers_.Start(intervalMs, nowMs_, std::move(tick));
}

void VirtualPlatform::StopTimer(int id) {
  timers_.Stop(id);
}

void VirtualPlatform::PassTime(double ms) {
  if (ms > 0.0)
    nowMs_ += ms;
}

}  // namespace gaugecal
