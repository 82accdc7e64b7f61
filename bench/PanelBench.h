#pragma once
// A family's simulated gauge on a platform with the module set up as a host sets it, and what
// a run was required to wait: the pieces the real-time session benchmarks share.

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "ScratchBackups.h"
#include "device/ModuleState.h"
#include "device/TracingHostLink.h"
#include "panel/NBCal.h"
#include "platform/Platform.h"
#include "platform/TraceLog.h"
#include "sim/SimulatedGauge.h"

namespace gaugecal::bench {

class PanelBench {
 public:
  PanelBench(DfType family, Platform& platform, std::ostream* traceOut) : platform_(&platform) {
    std::string error;
    gauge_ = sim::OpenGauge(sim::DefaultScenario(family), platform, error);
    if (!gauge_)
      throw std::runtime_error(error);
    ResetModule();
    ModuleState& m = Module();
    m.platform = &platform;
    m.appDirectory = std::string(GAUGECAL_SAMPLE_APPDIR) + "/";
    m.backupDir = ScratchBackupDir();
    link_ = gauge_.get();
    if (traceOut) {
      trace_ = std::make_unique<TraceLog>(*traceOut, [&platform] { return platform.ClockMs(); });
      platform.SetTrace(trace_.get());
      traced_ = std::make_unique<TracingHostLink>(*gauge_, *trace_);
      link_ = traced_.get();
    }
  }
  ~PanelBench() {
    panel.reset();  // its timer belongs to the platform
    platform_->SetTrace(nullptr);
    ResetModule();
  }
  PanelBench(const PanelBench&) = delete;
  PanelBench& operator=(const PanelBench&) = delete;

  std::unique_ptr<panel::NBCal> panel = std::make_unique<panel::NBCal>();
  sim::SimulatedGauge& Gauge() { return *gauge_; }
  HostLink& Link() { return *link_; }

 private:
  Platform* platform_ = nullptr;
  std::unique_ptr<sim::SimulatedGauge> gauge_;
  std::unique_ptr<TraceLog> trace_;
  std::unique_ptr<TracingHostLink> traced_;
  HostLink* link_ = nullptr;
};

// Sleeps, waits and host delays the trace records, in milliseconds.
inline double RequestedMs(const std::string& trace) {
  std::istringstream lines(trace);
  std::string line;
  double ms = 0.0;
  while (std::getline(lines, line)) {
    const auto entry = nlohmann::json::parse(line);
    const std::string op = entry.value("op", "");
    if (op == "Sleep" || op == "Wait" || op == "Delay")
      ms += entry.value("ms", 0.0);
  }
  return ms;
}

}  // namespace gaugecal::bench
