#pragma once
// A scripted gauge on a virtual clock: the module state wired to a ScriptedHostLink through the
// tracing decorator, so a test can script exact answers and read back every transfer, sleep,
// wait and message box in order.

#include <sstream>
#include <string>
#include <vector>

#include "config/CalConfig.h"
#include "config/DisplayTables.h"
#include "device/ModuleState.h"
#include "device/TracingHostLink.h"
#include "platform/TraceLog.h"
#include "platform/VirtualPlatform.h"
#include "support/ScriptedHostLink.h"
#include "support/TraceReader.h"
#include "support/TraceSteps.h"

namespace gaugecal::test {

class ScriptedBench {
 public:
  explicit ScriptedBench(DfType family) {
    ResetModule();
    platform.SetTrace(&trace_);
    ModuleState& m = Module();
    m.platform = &platform;
    m.hostLink = &traced_;
    m.SmbAddress = 0x17;
    m.calConfig = CalConfig::Defaults(family);
    InitDisplayTables();
  }
  ~ScriptedBench() { ResetModule(); }
  ScriptedBench(const ScriptedBench&) = delete;
  ScriptedBench& operator=(const ScriptedBench&) = delete;

  std::vector<nlohmann::json> Trace() const { return ParseTrace(out_.str()); }
  std::vector<std::string> Steps() const { return TraceSteps(Trace()); }
  // The steps that are bus transfers (no sleeps, waits or messages).
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
    link.calls.clear();
  }

  VirtualPlatform platform;
  ScriptedHostLink link;

 private:
  std::ostringstream out_;
  TraceLog trace_{out_, [this] { return platform.ClockMs(); }};
  TracingHostLink traced_{link, trace_};
};

}  // namespace gaugecal::test
