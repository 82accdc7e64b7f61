#pragma once
// A freshly loaded module on virtual time, talking to a scripted host link through the bus
// trace, so every test can look at the calls it made and at the sleeps and waits around them.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "device/ModuleState.h"
#include "device/TracingHostLink.h"
#include "platform/TraceLog.h"
#include "platform/VirtualPlatform.h"
#include "support/ScriptedHostLink.h"
#include "support/TraceReader.h"

namespace gaugecal::test {

class DeviceFixture : public ::testing::Test {
 protected:
  static constexpr int16_t kGaugeAddress = 0x17;

  explicit DeviceFixture(double startSecondsOfDay = 9 * 3600.0)
      : platform_(startSecondsOfDay), trace_(traceText_, [this] { return platform_.ClockMs(); }) {
    ResetModule();
    platform_.SetTrace(&trace_);
    Module().platform = &platform_;
    Module().hostLink = &tracing_;
    Module().SmbAddress = kGaugeAddress;
  }
  ~DeviceFixture() override { ResetModule(); }

  std::vector<nlohmann::json> Trace() const { return ParseTrace(traceText_.str()); }
  std::vector<nlohmann::json> Trace(const std::vector<std::string>& ops) const {
    return TraceOps(Trace(), ops);
  }

  VirtualPlatform platform_;
  std::ostringstream traceText_;
  TraceLog trace_;
  ScriptedHostLink link_;
  TracingHostLink tracing_{link_, trace_};
};

}  // namespace gaugecal::test
