#include "adapters/emulation/EmulatedBus.h"

#include <optional>

#include "adapters/smbus/Frames.h"

namespace gaugecal::adapters::emulation {

namespace {

constexpr uint8_t kIdle = 0xFF;
constexpr size_t kWordReadMax = 3;  // a word and its PEC

std::optional<WireOutcome> Interrupted(const sim::BridgeEffect& effect) {
  if (effect.unplugged)
    return WireOutcome::Unplugged;
  if (effect.busyForever)
    return WireOutcome::BusyForever;
  if (effect.arbitrationLost)
    return WireOutcome::ArbitrationLost;
  return std::nullopt;
}

}  // namespace

EmulatedBus::EmulatedBus(std::unique_ptr<sim::SimulatedGauge> gauge)
    : gauge_(std::move(gauge)), faults_(gauge_->Settings().faults) {}

int EmulatedBus::LockDevice(std::unique_ptr<AdvisoryLock>& lock) {
  const std::string& file = gauge_->PersistFile();
  return file.empty() ? 0 : AdvisoryLock::Acquire(file, true, lock);
}

bool EmulatedBus::GaugeAt(uint8_t address) const {
  return address == gauge_->Settings().address;
}

WireOutcome EmulatedBus::Outcome(int32_t gaugeStatus) {
  if (gaugeStatus == 0)
    return WireOutcome::Ack;
  return gaugeStatus == sim::kHostErrorNoAnswer ? WireOutcome::AddressNack : WireOutcome::DataNack;
}

WireResult EmulatedBus::Write(uint8_t address, std::span<const uint8_t> bytes) {
  ++transfers_;
  if (bytes.empty())
    return {GaugeAt(address) ? WireOutcome::Ack : WireOutcome::AddressNack, {}};
  const uint8_t command = bytes[0];
  const std::span<const uint8_t> payload = bytes.subspan(1);
  const bool block = gauge_->TakesBlockWrite(command);
  const sim::BridgeEffect effect =
      faults_.OnBridgeTransfer(block ? "WriteSMBusBlock" : "WriteSMBusWord", command, false);
  if (auto interrupted = Interrupted(effect))
    return {*interrupted, {}};
  if (!GaugeAt(address))  // the gauge sees the address go by and takes its bus time
    return {Outcome(gauge_->BusWriteWord(command, 0, address)), {}};

  // One byte more than the transfer needs is its packet error code.
  const size_t needed = block ? 1 + (payload.empty() ? 0 : payload[0]) : 2;
  const bool pec = payload.size() == needed + 1;
  if (payload.size() != needed && !pec)
    return {WireOutcome::DataNack, {}};
  if (pec) {
    const uint8_t sent = static_cast<uint8_t>(payload.back() ^ (effect.pecMismatch ? 0xFF : 0));
    if (sent != smbus::WritePec(address, bytes.first(bytes.size() - 1)))
      return {WireOutcome::DataNack, {}};
  }
  const int32_t status =
      block ? gauge_->BusWriteBlock(command, payload.subspan(1, needed - 1), address)
            : gauge_->BusWriteWord(command, static_cast<uint16_t>(payload[1] << 8 | payload[0]),
                                   address);
  return {Outcome(status), {}};
}

WireResult EmulatedBus::WriteRead(uint8_t address, std::span<const uint8_t> written,
                                  size_t readLength) {
  ++transfers_;
  const uint8_t command = written.empty() ? 0 : written[0];
  // A command that is both (the CEDV pack configuration word and block 0x2F) is read as the
  // word when the master clocks no more than a word and its PEC.
  const bool word = gauge_->AnswersWord(command) &&
                    (readLength <= kWordReadMax || !gauge_->AnswersBlock(command));
  const sim::BridgeEffect effect =
      faults_.OnBridgeTransfer(word ? "ReadSMBusWord" : "ReadSMBusBlock", command, true);
  if (auto interrupted = Interrupted(effect))
    return {*interrupted, {}};
  uint16_t unused = 0;
  if (!GaugeAt(address))
    return {Outcome(gauge_->BusReadWord(command, address, unused)), {}};
  if (written.size() != 1)
    return {WireOutcome::DataNack, {}};  // no process calls

  std::vector<uint8_t> answer;
  int32_t status = 0;
  if (word) {
    uint16_t value = 0;
    status = gauge_->BusReadWord(command, address, value);
    answer = {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)};
  } else {
    std::vector<uint8_t> data;
    status = gauge_->BusReadBlock(command, address, data);
    if (data.size() > smbus::kLongBlockMax)
      data.resize(smbus::kLongBlockMax);
    answer.push_back(static_cast<uint8_t>(data.size()));
    answer.insert(answer.end(), data.begin(), data.end());
  }
  if (status != 0)
    return {Outcome(status), {}};
  const uint8_t pec = smbus::ReadPec(address, command, answer);
  answer.push_back(static_cast<uint8_t>(pec ^ (effect.pecMismatch ? 0xFF : 0)));
  answer.resize(readLength, kIdle);
  if (effect.readKeeps && static_cast<size_t>(*effect.readKeeps) < readLength) {
    answer.resize(static_cast<size_t>(*effect.readKeeps));
    return {WireOutcome::ReadIncomplete, answer};
  }
  return {WireOutcome::Ack, answer};
}

}  // namespace gaugecal::adapters::emulation
