#pragma once
// A simulated gauge on a virtual platform, reached through the tracing host link and set up
// as the module's host link, so tests can drive it with raw transfers or with the tool's own
// device routines and then read the bus trace.

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "device/TracingHostLink.h"
#include "platform/TraceLog.h"
#include "platform/VirtualPlatform.h"
#include "sim/SimulatedGauge.h"

namespace gaugecal::test {

constexpr int16_t kGaugeAddress = 0x17;
// The default calibration-mode, exit and raw-output subcommands.
constexpr uint16_t kCalMode = 0x002D;
constexpr uint16_t kExit = 0xF080;
constexpr uint16_t kRaw = 0xF081;
constexpr uint16_t kOffsetRaw = 0xF082;

class SimHarness {
 public:
  explicit SimHarness(sim::Scenario scenario);
  explicit SimHarness(DfType family) : SimHarness(sim::DefaultScenario(family)) {}
  ~SimHarness();

  VirtualPlatform platform;
  std::ostringstream traceText;
  TraceLog trace;
  std::unique_ptr<sim::SimulatedGauge> gauge;
  std::unique_ptr<TracingHostLink> link;

  sim::SimulatedGauge& Gauge() { return *gauge; }

  // Raw transfers through the traced link; status in lastStatus.
  uint16_t Word(int command);
  int32_t WriteWord(int command, uint16_t word);
  std::vector<uint8_t> Block(int command);
  int32_t WriteBlock(int command, const std::vector<uint8_t>& data);
  // A subcommand to the manufacturer access register, then the block of 0x23.
  int32_t Mac(uint16_t subcommand);
  std::vector<uint8_t> MacBlock(uint16_t subcommand);

  // The calibration area in the family's scheme, as the tool reads and writes it: CEDV page 0,
  // QSPAN subclass 104, RN44K18 / CEDV_PLUS rows 0 and 1. Write returns the first failure.
  std::vector<uint8_t> ReadCalibrationArea();
  int32_t WriteCalibrationArea(const std::vector<uint8_t>& area);

  std::vector<nlohmann::json> Trace() const;
  int32_t lastStatus = 0;
};

// Little-endian 16-bit field of a block.
uint16_t Le16(const std::vector<uint8_t>& block, size_t offset);

}  // namespace gaugecal::test
