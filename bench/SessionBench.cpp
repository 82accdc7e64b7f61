// Cost of the calibration panel beyond what the gauge makes it wait.
//
// Session: on the real-time platform, the panel's start-up and the five calibrations of each
// family in sequence against the simulated gauge (the demo's session), timed by the wall clock
// and compared with what the sequence is required to take: every sleep, wait and host delay it
// asked for (from the bus trace) plus the modelled bus time of its transfers. Target: wall at
// most 1.02 x required.
//
// Scan tick: mean CPU time of one tick with continuous updates on, over 1,000 ticks on the
// virtual-time platform after start-up. Target: at most 2 ms.
//
// Last lines: "scan_tick_ms=X" (the worst family), then "worst: session_overhead=X".

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>

#include "PanelBench.h"
#include "platform/RealtimePlatform.h"
#include "platform/VirtualPlatform.h"
#include "session/DemoSession.h"

namespace {

using gaugecal::DfType;
using gaugecal::bench::PanelBench;
using gaugecal::bench::RequestedMs;

constexpr DfType kFamilies[] = {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS};
constexpr double kOverheadTarget = 1.02;
constexpr double kTickTargetMs = 2.0;
constexpr int kTicks = 1000;

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct SessionRun {
  double wallMs = 0.0;
  double requiredMs = 0.0;
  int failed = 0;
};

SessionRun TimeSession(DfType family) {
  gaugecal::RealtimePlatform platform;
  std::ostringstream trace;
  PanelBench bench(family, platform, &trace);
  const auto start = std::chrono::steady_clock::now();
  bench.panel->Startup(bench.Link());
  const auto steps = gaugecal::session::RunDemoSession(*bench.panel, bench.Gauge());
  const auto end = std::chrono::steady_clock::now();
  SessionRun run;
  run.wallMs = std::chrono::duration<double, std::milli>(end - start).count();
  run.requiredMs = RequestedMs(trace.str()) + bench.Gauge().BusMs();
  run.failed = steps.empty() ? 1 : 0;
  for (const auto& step : steps)
    run.failed += step.offered && !step.done ? 1 : 0;
  return run;
}

double MeanTickCpuMs(DfType family) {
  gaugecal::VirtualPlatform platform;
  PanelBench bench(family, platform, nullptr);
  bench.panel->Startup(bench.Link());
  if (bench.panel->Outcome() != gaugecal::panel::StartupOutcome::Ready)
    throw std::runtime_error("start-up did not end ready");
  bench.panel->Controls().chkUpdates.SetChecked(true);
  const double start = CpuMs();
  for (int i = 0; i < kTicks; ++i)
    bench.panel->tmrScan_Timer();
  return (CpuMs() - start) / kTicks;
}

}  // namespace

int main() {
  double worstOverhead = 0.0;
  double worstTickMs = 0.0;
  bool met = true;
  std::printf("%-10s %10s %12s %9s %12s\n", "family", "wall s", "required s", "overhead",
              "tick cpu ms");
  for (DfType family : kFamilies) {
    const SessionRun run = TimeSession(family);
    const double overhead = run.wallMs / run.requiredMs;
    const double tickMs = MeanTickCpuMs(family);
    std::printf("%-10s %10.3f %12.3f %9.4f %12.4f%s\n", gaugecal::DfTypeName(family),
                run.wallMs / 1000.0, run.requiredMs / 1000.0, overhead, tickMs,
                run.failed ? "  (a calibration failed)" : "");
    met = met && run.failed == 0;
    worstOverhead = std::max(worstOverhead, overhead);
    worstTickMs = std::max(worstTickMs, tickMs);
  }
  met = met && worstOverhead <= kOverheadTarget && worstTickMs <= kTickTargetMs;
  std::printf("targets: session_overhead <= %.2f, scan_tick_ms <= %.1f: %s\n", kOverheadTarget,
              kTickTargetMs, met ? "met" : "MISSED");
  std::printf("scan_tick_ms=%.4f\n", worstTickMs);
  std::printf("worst: session_overhead=%.4f\n", worstOverhead);
  return met ? 0 : 1;
}
