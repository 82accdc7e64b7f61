// Closed-loop accuracy of the calibration engine: for each gauge family and a set of seeded
// simulated gauges (converter gain errors up to +-3 %, offsets, noise), applies references,
// runs the five calibrations the way a calibration session does, and compares what the gauge
// reports afterwards with the references. Prints a table per family and, as its last line,
// "worst: cell_mv=X battery_pct=X pack_pct=X current_pct=X temp_k=X".

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ClosedLoopGauge.h"

namespace {

using gaugecal::DfType;
using gaugecal::bench::ClosedLoopGauge;
using gaugecal::bench::Errors;

constexpr int kGaugesPerFamily = 25;
constexpr DfType kFamilies[] = {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS};

constexpr double kTolerance = 1e-9;  // reported values are whole units; keep 0.1 K at 0.1 K

struct Quantity {
  const char* name;
  double Errors::*field;
  double target;
  // Where the model, not the engine, sets the limit: what the table says after a miss.
  const char* limit;
};

constexpr Quantity kQuantities[] = {
    {"cell_mv", &Errors::cellMv, 1.0, nullptr},
    {"battery_pct", &Errors::batteryPct, 0.1, nullptr},
    {"pack_pct", &Errors::packPct, 0.1, nullptr},
    {"current_pct", &Errors::currentPct, 0.2, nullptr},
    {"temp_k", &Errors::tempK, 0.1, nullptr},
    {"cc_offset_counts", &Errors::ccOffsetCounts, 1.0,
     "one raw block with +-1 count of noise: up to 1.5 counts (docs/calibration.md)"},
};

struct Summary {
  double mean = 0.0;
  double worst = 0.0;
};

Summary Summarise(const std::vector<Errors>& runs, double Errors::*field) {
  Summary s;
  for (const Errors& e : runs) {
    s.mean += e.*field / static_cast<double>(runs.size());
    s.worst = std::max(s.worst, e.*field);
  }
  return s;
}

}  // namespace

int main() {
  Errors worst;
  bool met = true;
  bool explainedMiss = false;  // a miss the model's own limit explains (docs/calibration.md)
  for (DfType family : kFamilies) {
    std::vector<Errors> before, after;
    int failed = 0;
    for (int g = 1; g <= kGaugesPerFamily; ++g) {
      ClosedLoopGauge gauge(family, static_cast<uint64_t>(g));
      before.push_back(gauge.Measure());
      const std::vector<std::string> failures = gauge.CalibrateAll();
      for (const std::string& f : failures)
        std::printf("%s gauge %d: %s\n", gaugecal::DfTypeName(family), g, f.c_str());
      failed += failures.empty() ? 0 : 1;
      after.push_back(gauge.Measure());
    }
    std::printf("\n%s: %d gauges, %d with a failed calibration\n", gaugecal::DfTypeName(family),
                kGaugesPerFamily, failed);
    std::printf("%-17s %12s %12s %12s %12s %8s\n", "quantity", "before mean", "before worst",
                "after mean", "after worst", "target");
    met = met && failed == 0;
    for (const Quantity& q : kQuantities) {
      const Summary b = Summarise(before, q.field);
      const Summary a = Summarise(after, q.field);
      const bool within = a.worst <= q.target + kTolerance;
      std::printf("%-17s %12.4f %12.4f %12.4f %12.4f %8.2f", q.name, b.mean, b.worst, a.mean,
                  a.worst, q.target);
      if (!within)
        std::printf("  MISSED%s%s", q.limit ? ": " : "", q.limit ? q.limit : "");
      std::printf("\n");
      met = met && (within || q.limit != nullptr);
      explainedMiss = explainedMiss || (!within && q.limit != nullptr);
      worst.*q.field = std::max(worst.*q.field, a.worst);
    }
  }
  // The offset calibrations read one raw block each: the residual follows the noise of that
  // one reading. The same gauges with half the noise show it.
  std::vector<Errors> quieter;
  for (DfType family : kFamilies) {
    for (int g = 1; g <= kGaugesPerFamily; ++g) {
      ClosedLoopGauge gauge(family, static_cast<uint64_t>(g), 0.5);
      if (gauge.CalibrateAll().empty())
        quieter.push_back(gauge.Measure());
    }
  }
  const Summary q = Summarise(quieter, &Errors::ccOffsetCounts);
  std::printf("\ncc_offset_counts with +-0.5 count noise, all families: mean %.4f worst %.4f\n",
              q.mean, q.worst);
  if (!met) {
    std::printf("\nTARGETS MISSED\n");
  } else if (explainedMiss) {
    std::printf("\ntargets met, except the MISSED lines above, which the model's noise explains\n");
  } else {
    std::printf("\ntargets met\n");
  }
  std::printf("worst: cell_mv=%.3f battery_pct=%.4f pack_pct=%.4f current_pct=%.4f temp_k=%.3f\n",
              worst.cellMv, worst.batteryPct, worst.packPct, worst.currentPct, worst.tempK);
  return met ? 0 : 1;
}
