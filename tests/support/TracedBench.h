#pragma once
// The module state of a freshly loaded tool on a virtual clock, with one gauge family's
// configuration defaults and display tables, and every transfer, sleep, wait and message box
// recorded in a bus trace. ScriptedBench and SimBench put a host link behind it.

#include <sstream>
#include <string>
#include <vector>

#include "config/CalConfig.h"
#include "config/DisplayTables.h"
#include "device/ModuleState.h"
#include "platform/TraceLog.h"
#include "platform/VirtualPlatform.h"
#include "support/TraceReader.h"
#include "support/TraceSteps.h"

namespace gaugecal::test {

constexpr int16_t kGaugeAddress = 0x17;

class TracedBench {
 public:
  explicit TracedBench(DfType family) {
    ResetModule();
    platform.SetTrace(&trace_);
    ModuleState& m = Module();
    m.platform = &platform;
    m.SmbAddress = kGaugeAddress;
    m.calConfig = CalConfig::Defaults(family);
    m.calConfig.SystemConfigAddress = 64;  // "System Configuration", subclass 64 offset 0
    InitDisplayTables();
  }
  ~TracedBench() { ResetModule(); }
  TracedBench(const TracedBench&) = delete;
  TracedBench& operator=(const TracedBench&) = delete;

  std::string TraceText() const { return out_.str(); }
  std::vector<nlohmann::json> Trace() const { return ParseTrace(out_.str()); }
  std::vector<std::string> Steps() const { return TraceSteps(Trace()); }
  // The steps that reach the host link (no sleeps, waits or messages).
  std::vector<std::string> Transfers() const {
    std::vector<std::string> out;
    for (const auto& s : Steps()) {
      if (s.rfind("S:", 0) != 0 && s.rfind("W:", 0) != 0 && s != "MSG")
        out.push_back(s);
    }
    return out;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : platform.Messages())
      texts.push_back(m.text);
    return texts;
  }
  void ClearTrace() {
    out_.str("");
    platform.ClearMessages();
  }

  VirtualPlatform platform;

 protected:
  TraceLog& Log() { return trace_; }

 private:
  std::ostringstream out_;
  TraceLog trace_{out_, [this] { return platform.ClockMs(); }};
};

}  // namespace gaugecal::test
