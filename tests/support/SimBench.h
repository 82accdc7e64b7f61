#pragma once
// A simulated gauge behind the traced module state: the tool's own routines talk to it
// through the bus trace, and tests look at what the gauge holds afterwards. Tests of the
// gauge itself drive it with raw transfers through the same traced link.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/TracingHostLink.h"
#include "sim/SimulatedGauge.h"
#include "support/TracedBench.h"

namespace gaugecal::test {

// The default calibration-mode, exit and raw-output subcommands.
constexpr uint16_t kCalMode = 0x002D;
constexpr uint16_t kExit = 0xF080;
constexpr uint16_t kRaw = 0xF081;
constexpr uint16_t kOffsetRaw = 0xF082;

// A family's built-in gauge with its converter errors but without noise, so runs that take
// other waits still measure the same counts.
inline sim::Scenario QuietScenario(DfType family) {
  sim::Scenario s = sim::DefaultScenario(family);
  s.noiseCounts = 0.0;
  return s;
}

// Little-endian 16-bit field of a block.
inline uint16_t Le16(const std::vector<uint8_t>& block, size_t offset) {
  return static_cast<uint16_t>(block.at(offset + 1) << 8 | block.at(offset));
}

class SimBench : public TracedBench {
 public:
  explicit SimBench(sim::Scenario scenario) : TracedBench(scenario.family) {
    std::string error;
    gauge_ = sim::OpenGauge(std::move(scenario), platform, error);
    if (!gauge_)
      throw std::runtime_error("the test scenario does not open: " + error);
    traced_ = std::make_unique<TracingHostLink>(*gauge_, Log());
    Module().hostLink = traced_.get();
  }
  explicit SimBench(DfType family) : SimBench(sim::DefaultScenario(family)) {}

  sim::SimulatedGauge& Gauge() { return *gauge_; }
  const sim::SimulatedGauge& Gauge() const { return *gauge_; }
  HostLink& Link() { return *traced_; }

  // The calibration area as the gauge holds it: CEDV page 0, QSPAN subclass 104, the two rows
  // of RN44K18 and CEDV_PLUS.
  std::vector<uint8_t> CalArea() const {
    const sim::GaugeFlash& flash = gauge_->Flash();
    if (flash.Layout().family == DfType::CEDV) {
      auto page = flash.Page(0);
      return {page.begin(), page.end()};
    }
    if (flash.Layout().family == DfType::QSPAN) {
      auto sub = flash.SubclassBytes(104);
      return {sub.begin(), sub.end()};
    }
    std::vector<uint8_t> rows;
    for (int r = 0; r < 2; ++r) {
      auto row = flash.Row(r);
      rows.insert(rows.end(), row.begin(), row.end());
    }
    return rows;
  }

  // Raw transfers through the traced link; the status is kept in lastStatus.
  uint16_t Word(int command) {
    uint8_t msb = 0, lsb = 0;
    lastStatus = traced_->ReadSMBusWord(static_cast<int16_t>(command), msb, lsb, kGaugeAddress);
    return static_cast<uint16_t>(msb << 8 | lsb);
  }
  int32_t WriteWord(int command, uint16_t word) {
    return lastStatus = traced_->WriteSMBusWord_(static_cast<int16_t>(command),
                                                 static_cast<int16_t>(word), kGaugeAddress);
  }
  std::vector<uint8_t> Block(int command) {
    std::vector<uint8_t> buffer(256);
    int16_t length = 0;
    lastStatus =
        traced_->ReadSMBusBlock_(static_cast<int16_t>(command), buffer, length, kGaugeAddress);
    buffer.resize(static_cast<size_t>(std::clamp<int16_t>(length, 0, 256)));
    return buffer;
  }
  int32_t WriteBlock(int command, const std::vector<uint8_t>& data) {
    return lastStatus = traced_->WriteSMBusBlock(static_cast<int16_t>(command), data,
                                                 static_cast<int16_t>(data.size()), kGaugeAddress);
  }
  // A subcommand to the manufacturer access register, then the block of 0x23.
  int32_t Mac(uint16_t subcommand) { return WriteWord(0x00, subcommand); }
  std::vector<uint8_t> MacBlock(uint16_t subcommand) {
    Mac(subcommand);
    return Block(0x23);
  }

  int32_t lastStatus = 0;

 private:
  std::unique_ptr<sim::SimulatedGauge> gauge_;
  std::unique_ptr<TracingHostLink> traced_;
};

}  // namespace gaugecal::test
