#include "SimHarness.h"

#include <stdexcept>

#include "device/ModuleState.h"
#include "support/TraceReader.h"

namespace gaugecal::test {

SimHarness::SimHarness(sim::Scenario scenario)
    : trace(traceText, [this] { return platform.ClockMs(); }) {
  std::string error;
  gauge = sim::OpenGauge(std::move(scenario), platform, error);
  if (!gauge)
    throw std::runtime_error("the test scenario does not open: " + error);
  link = std::make_unique<TracingHostLink>(*gauge, trace);
  platform.SetTrace(&trace);
  ResetModule();
  Module().platform = &platform;
  Module().hostLink = link.get();
  Module().SmbAddress = kGaugeAddress;
}

SimHarness::~SimHarness() {
  ResetModule();
}

uint16_t SimHarness::Word(int command) {
  uint8_t msb = 0, lsb = 0;
  lastStatus = link->ReadSMBusWord(static_cast<int16_t>(command), msb, lsb, kGaugeAddress);
  return static_cast<uint16_t>(msb << 8 | lsb);
}

int32_t SimHarness::WriteWord(int command, uint16_t word) {
  lastStatus = link->WriteSMBusWord_(static_cast<int16_t>(command), static_cast<int16_t>(word),
                                     kGaugeAddress);
  return lastStatus;
}

std::vector<uint8_t> SimHarness::Block(int command) {
  std::vector<uint8_t> buffer(256);
  int16_t length = 0;
  lastStatus = link->ReadSMBusBlock_(static_cast<int16_t>(command), buffer, length, kGaugeAddress);
  buffer.resize(static_cast<size_t>(std::clamp<int16_t>(length, 0, 256)));
  return buffer;
}

int32_t SimHarness::WriteBlock(int command, const std::vector<uint8_t>& data) {
  lastStatus = link->WriteSMBusBlock(static_cast<int16_t>(command), data,
                                     static_cast<int16_t>(data.size()), kGaugeAddress);
  return lastStatus;
}

int32_t SimHarness::Mac(uint16_t subcommand) {
  return WriteWord(0x00, subcommand);
}

std::vector<uint8_t> SimHarness::MacBlock(uint16_t subcommand) {
  Mac(subcommand);
  return Block(0x23);
}

std::vector<uint8_t> SimHarness::ReadCalibrationArea() {
  switch (gauge->Settings().family) {
    case DfType::CEDV:
      return Block(0x58);
    case DfType::QSPAN:
      WriteWord(0x77, 104);
      return Block(0x78);
    default: {
      std::vector<uint8_t> area;
      for (uint16_t row = 0; row < 2; ++row) {
        Mac(static_cast<uint16_t>(0x0100 + row));
        const auto bytes = Block(0x2F);
        area.insert(area.end(), bytes.begin(), bytes.end());
      }
      return area;
    }
  }
}

int32_t SimHarness::WriteCalibrationArea(const std::vector<uint8_t>& area) {
  switch (gauge->Settings().family) {
    case DfType::CEDV:
      return WriteBlock(0x58, area);
    case DfType::QSPAN:
      WriteWord(0x77, 104);
      return WriteBlock(0x78, area);
    default:
      for (uint16_t row = 0; row < 2; ++row) {
        Mac(static_cast<uint16_t>(0x0100 + row));
        const auto first = area.begin() + row * 32;
        if (WriteBlock(0x2F, std::vector<uint8_t>(first, first + 32)) != 0)
          return lastStatus;
      }
      return 0;
  }
}

std::vector<nlohmann::json> SimHarness::Trace() const {
  return ParseTrace(traceText.str());
}

uint16_t Le16(const std::vector<uint8_t>& block, size_t offset) {
  return static_cast<uint16_t>(block.at(offset + 1) << 8 | block.at(offset));
}

}  // namespace gaugecal::test
