// Packs per hour of one station: each pack's start-up and every calibration its panel offers,
// in real time, with the references measured by the emulated bench through libsigrok's drivers
// and the calibration current made by its supply, against the physical limit of the station:
// the waits the sequence is required to take (the gauge's waits, host delays and the source's
// settle time, from the bus trace), the modelled bus time of its transfers, and the time the
// instruments took for their readings. Target: at least 0.95 of the limit.
//
// Last line: "line: packs_per_hour=X limit=Y ratio=Z".

#include <chrono>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>

#include "PanelBench.h"
#include "platform/RealtimePlatform.h"
#include "session/BenchCalibration.h"
#include "session/DemoSession.h"
#include "session/Station.h"

namespace {

using gaugecal::bench::PanelBench;

constexpr gaugecal::DfType kFamily = gaugecal::DfType::RN44K18;  // offers all five calibrations
constexpr int kPacks = 3;
constexpr double kRatioTarget = 0.95;
constexpr double kMsPerHour = 3600.0 * 1000.0;

struct PackRun {
  double wallMs = 0.0;
  double limitMs = 0.0;
  int offered = 0;
  int done = 0;
};

// One pack on the bench: the station is opened on it before the clock starts, as a bench's
// instruments are on before the pack is connected.
PackRun CalibratePack() {
  gaugecal::RealtimePlatform platform;
  std::ostringstream trace;
  PanelBench bench(kFamily, platform, &trace);
  std::string error;
  const auto station = gaugecal::session::Station::OpenEmulated(bench.Gauge(), error);
  if (!station)
    throw std::runtime_error(error);
  gaugecal::session::TraceStation(*station, platform);
  double measuringMs = 0.0;
  const auto traced = station->onMeasure;
  station->onMeasure = [&](const gaugecal::session::MeasureRecord& m) {
    measuringMs += m.ms;
    traced(m);
  };
  const auto start = std::chrono::steady_clock::now();
  bench.panel->Startup(bench.Link());
  const auto steps = gaugecal::session::RunDemoSession(*bench.panel, bench.Gauge(), station.get());
  PackRun run;
  run.wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.limitMs = gaugecal::bench::RequestedMs(trace.str()) + bench.Gauge().BusMs() + measuringMs;
  for (const auto& step : steps) {
    run.offered += step.offered ? 1 : 0;
    run.done += step.done ? 1 : 0;
  }
  return run;
}

}  // namespace

int main() {
  double wallMs = 0.0;
  double limitMs = 0.0;
  bool allDone = true;
  std::printf("%-6s %10s %10s %10s %s\n", "pack", "wall s", "limit s", "ratio", "calibrations");
  for (int pack = 1; pack <= kPacks; ++pack) {
    const PackRun run = CalibratePack();
    std::printf("%-6d %10.3f %10.3f %10.4f %d of %d done\n", pack, run.wallMs / 1000.0,
                run.limitMs / 1000.0, run.limitMs / run.wallMs, run.done, run.offered);
    allDone = allDone && run.offered == 5 && run.done == run.offered;
    wallMs += run.wallMs;
    limitMs += run.limitMs;
  }
  const double packsPerHour = kMsPerHour * kPacks / wallMs;
  const double limit = kMsPerHour * kPacks / limitMs;
  const double ratio = packsPerHour / limit;
  std::printf("target: ratio >= %.2f with every calibration done: %s\n", kRatioTarget,
              ratio >= kRatioTarget && allDone ? "met" : "MISSED");
  std::printf("line: packs_per_hour=%.1f limit=%.1f ratio=%.4f\n", packsPerHour, limit, ratio);
  return ratio >= kRatioTarget && allDone ? 0 : 1;
}
