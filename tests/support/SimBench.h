#pragma once
// A simulated gauge behind the traced module state: the tool's own routines talk to it
// through the bus trace, and tests look at what the gauge holds afterwards.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/TracingHostLink.h"
#include "sim/SimulatedGauge.h"
#include "support/TracedBench.h"

namespace gaugecal::test {

class SimBench : public TracedBench {
 public:
  explicit SimBench(sim::Scenario scenario) : TracedBench(scenario.family) {
    std::string error;
    gauge_ = sim::OpenGauge(std::move(scenario), platform, error);
    EXPECT_TRUE(gauge_) << error;
    traced_ = std::make_unique<TracingHostLink>(*gauge_, Log());
    Module().hostLink = traced_.get();
  }
  explicit SimBench(DfType family) : SimBench(sim::DefaultScenario(family)) {}

  sim::SimulatedGauge& Gauge() { return *gauge_; }

  // The calibration area as the gauge holds it: CEDV page 0, QSPAN subclass 104, the two rows
  // of RN44K18 and CEDV_PLUS.
  std::vector<uint8_t> CalArea() const {
    const sim::GaugeFlash& flash = gauge_->Flash();
    switch (gauge_->Flash().Layout().family) {
      case DfType::CEDV: {
        auto page = flash.Page(0);
        return {page.begin(), page.end()};
      }
      case DfType::QSPAN: {
        auto sub = flash.SubclassBytes(104);
        return {sub.begin(), sub.end()};
      }
      case DfType::RN44K18:
      case DfType::CEDV_PLUS:
        break;
    }
    std::vector<uint8_t> rows;
    for (int r = 0; r < 2; ++r) {
      auto row = flash.Row(r);
      rows.insert(rows.end(), row.begin(), row.end());
    }
    return rows;
  }

 private:
  std::unique_ptr<sim::SimulatedGauge> gauge_;
  std::unique_ptr<TracingHostLink> traced_;
};

}  // namespace gaugecal::test
