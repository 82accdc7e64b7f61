#pragma once
// One adapter by its --adapter name on a virtual clock, with the simulated gauge of a scenario
// behind it and every host-link call recorded in a bus trace: "sim:FAMILY" is the gauge
// itself, "i2c-sim:..." and "cp2112-sim:..." the real drivers over their emulations.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "adapters/emulation/Emulations.h"
#include "device/TracingHostLink.h"
#include "platform/TraceLog.h"
#include "platform/VirtualPlatform.h"

namespace gaugecal::test {

constexpr int16_t kGauge = 0x17;

class AdapterRig {
 public:
  AdapterRig(const std::string& name, sim::Scenario scenario,
             adapters::emulation::FakeBusConfig config = {}) {
    std::string error;
    auto gauge = sim::OpenGauge(std::move(scenario), platform, error);
    const auto choice = adapters::ParseAdapterChoice(name, error);
    if (!gauge || !choice)
      throw std::runtime_error(name + ": " + error);
    if (choice->kind == adapters::AdapterKind::Sim) {
      simGauge_ = std::move(gauge);
      inner_ = simGauge_.get();
    } else {
      emulation = adapters::emulation::Emulate(*choice, std::move(gauge), platform, config);
      adapter_ = emulation.driver->Open(emulation.choice, openError);
      if (!adapter_)
        return;
      adapter_->SetWarningSink([this](const std::string& w) { warnings.push_back(w); });
      inner_ = adapter_.get();
    }
    link_ = std::make_unique<TracingHostLink>(*inner_, trace_);
  }

  bool Open() const { return link_ != nullptr; }
  HostLink& Link() { return *link_; }
  adapters::Adapter& Adapter() { return *adapter_; }
  sim::SimulatedGauge& Gauge() { return simGauge_ ? *simGauge_ : emulation.bus->Gauge(); }
  // Transfers that went out on the emulated wire.
  int64_t Wire() const { return emulation.bus ? emulation.bus->Transfers() : 0; }
  std::string Trace() const { return traceText_.str(); }

  // Raw transfers; the status of each is kept in status.
  uint16_t Word(int command) {
    int16_t word = 0;
    status = link_->ReadSMBusWord_(static_cast<int16_t>(command), word, kGauge);
    return static_cast<uint16_t>(word);
  }
  int32_t WriteWord(int command, uint16_t word) {
    return status = link_->WriteSMBusWord_(static_cast<int16_t>(command),
                                           static_cast<int16_t>(word), kGauge);
  }
  std::vector<uint8_t> Block(int command) {
    std::vector<uint8_t> buffer(256);
    int16_t length = 0;
    status = link_->ReadSMBusBlock_(static_cast<int16_t>(command), buffer, length, kGauge);
    buffer.resize(static_cast<size_t>(std::clamp<int16_t>(length, 0, 256)));
    return buffer;
  }
  int32_t WriteBlock(int command, const std::vector<uint8_t>& data) {
    return status = link_->WriteSMBusBlock(static_cast<int16_t>(command), data,
                                           static_cast<int16_t>(data.size()), kGauge);
  }
  // The host errors pending, taken off the queue.
  std::vector<int32_t> HostErrors() {
    std::vector<int32_t> errors;
    for (int32_t e = link_->CheckForError(); e != 0; e = link_->CheckForError())
      errors.push_back(e);
    return errors;
  }

  VirtualPlatform platform;
  adapters::emulation::Emulation emulation;
  std::string openError;
  std::vector<std::string> warnings;
  int32_t status = 0;

 private:
  std::ostringstream traceText_;
  TraceLog trace_{traceText_, [this] { return platform.ClockMs(); }};
  std::unique_ptr<sim::SimulatedGauge> simGauge_;
  std::unique_ptr<adapters::Adapter> adapter_;
  HostLink* inner_ = nullptr;
  std::unique_ptr<TracingHostLink> link_;
};

}  // namespace gaugecal::test
