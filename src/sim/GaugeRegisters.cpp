// The simulated gauge's word commands and manufacturer access: standard smart-battery
// commands, the CEDV pack configuration and CEDV_PLUS calibration flag words, subcommands
// written to the manufacturer access register and the blocks 0x23 answers for them.

#include <algorithm>
#include <cmath>

#include "sim/SimulatedGauge.h"

namespace gaugecal::sim {

namespace {

constexpr int kTemperature = 0x08;
constexpr int kVoltage = 0x09;
constexpr int kCurrent = 0x0A;
constexpr int kRelativeStateOfCharge = 0x0D;
constexpr int kRemainingCapacity = 0x0F;
constexpr int kManufactureDate = 0x1B;
constexpr int kSerialNumber = 0x1C;
constexpr int kPackConfiguration = 0x2F;  // CEDV word read
constexpr int kCellVoltage1 = 0x3F;       // down to 0x3C for cell 4
constexpr int kAltCellVoltage1 = 0x3B;    // down to 0x38 for cell 4
constexpr int kPackVoltage = 0x5A;
constexpr int kTs2Temperature = 0x5E;
constexpr int kSubclassSelect = 0x77;  // QSPAN

constexpr uint16_t kMacDeviceType = 0x0001;
constexpr uint16_t kMacSeal = 0x0030;
constexpr uint16_t kMacUnseal = 0x0031;
constexpr uint16_t kMacFullAccess = 0x0032;
constexpr uint16_t kMacOperationStatus = 0x0054;
constexpr uint16_t kMacManufacturingStatus = 0x0057;
constexpr uint16_t kMacVoltages = 0x0071;
constexpr uint16_t kMacTemperatures = 0x0072;
constexpr uint16_t kMacCalibrationImage = 0x0082;
constexpr uint16_t kMacRowBase = 0x0100;

constexpr uint8_t kFetsOn = 0x06;              // operation status byte 0: charge, discharge FET
constexpr uint8_t kFetControlEnabled = 0x10;   // manufacturing status byte 0
constexpr uint8_t kCalibrationModeBit = 0x80;  // manufacturing status byte 1 (bit 15)
constexpr uint8_t kTemperatureMapBits = 0x58;  // bits 3, 4, 6: a sensor other than internal
constexpr int kCedvCalibrationArea = 29;

void PutLe(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

}  // namespace

bool SimulatedGauge::RowFamily() const {
  return scenario_.family == DfType::RN44K18 || scenario_.family == DfType::CEDV_PLUS;
}

bool SimulatedGauge::RawOutputAllowed() const {
  // CEDV and QSPAN have no calibration mode and stream whenever asked.
  return !RowFamily() || calMode_;
}

bool SimulatedGauge::WordAnswer(int command, uint16_t& word) const {
  if (command == scenario_.mac.accessRegister) {
    const std::vector<uint8_t> answer = MacAnswer();
    const uint8_t lo = answer.size() > 0 ? answer[0] : 0;
    const uint8_t hi = answer.size() > 1 ? answer[1] : 0;
    word = static_cast<uint16_t>(hi << 8 | lo);
    return true;
  }
  if (scenario_.family == DfType::CEDV_PLUS && command == scenario_.mac.calFlagCommand) {
    word = calMode_ ? static_cast<uint16_t>(1u << (scenario_.mac.calFlagBit & 15)) : uint16_t{0};
    return true;
  }
  const Reported r = ReportedNow();
  if (command >= kAltCellVoltage1 - 3 && command <= kCellVoltage1) {
    const int first = command > kAltCellVoltage1 ? kCellVoltage1 : kAltCellVoltage1;
    word = r.cellMv[static_cast<size_t>(first - command)];
    return true;
  }
  switch (command) {
    case kTemperature: {
      const int map = TemperatureMapOffset(scenario_.family);
      const bool internal =
          map >= 0 && (flash_.Bytes()[static_cast<size_t>(map)] & kTemperatureMapBits) == 0;
      word = r.temperatureDeciK[internal ? 0 : 1];
      return true;
    }
    case kVoltage:
      word = r.batteryMv;
      return true;
    case kCurrent:
      word = static_cast<uint16_t>(r.currentMa);
      return true;
    case kRelativeStateOfCharge:
      word = static_cast<uint16_t>(scenario_.stateOfCharge);
      return true;
    case kRemainingCapacity:
      word = static_cast<uint16_t>(CapacityUnits(remainingMah_));
      return true;
    case kManufactureDate:
      word = scenario_.manufactureDate;
      return true;
    case kSerialNumber:
      word = scenario_.serialNumber;
      return true;
    case kPackConfiguration: {
      if (scenario_.family != DfType::CEDV)
        return false;
      word = static_cast<uint16_t>(flash_.Get(*flash_.Layout().roles.configuration));
      return true;
    }
    case kPackVoltage:
      word = r.packMv;
      return true;
    case kTs2Temperature:
      word = r.temperatureDeciK[2];
      return true;
    default:
      return StandardWordAnswer(command, word);
  }
}

bool SimulatedGauge::WordWrite(int command, uint16_t word) {
  if (command == scenario_.mac.accessRegister) {
    Subcommand(word);
    return true;
  }
  if (scenario_.family == DfType::QSPAN && command == kSubclassSelect) {
    if (flash_.SubclassBytes(word).empty())
      return false;
    subclass_ = word;
    return true;
  }
  return StandardWordWrite(command, word);
}

void SimulatedGauge::Subcommand(uint16_t subcommand) {
  lastSubcommand_ = subcommand;
  const MacCommands& mac = scenario_.mac;
  if (subcommand == mac.calMode) {
    // Toggles; a sealed gauge and the families without calibration mode ignore it.
    if (RowFamily() && security_ != SecurityMode::Sealed)
      calMode_ = !calMode_;
  } else if (subcommand == mac.exit || subcommand == mac.rawOutput ||
             subcommand == mac.offsetOutput) {
    // The answer on 0x23 follows the last subcommand: nothing else to change.
  } else if (subcommand == kMacSeal) {
    security_ = SecurityMode::Sealed;
    calMode_ = false;
    Persist();
  } else if (subcommand == kMacUnseal || subcommand == kMacFullAccess) {
    for (uint8_t& b : challenge_) {
      random_ = random_ * 6364136223846793005ULL + 1442695040888963407ULL;
      b = static_cast<uint8_t>(random_ >> 56);
    }
    challengeGrants_ = subcommand == kMacUnseal ? SecurityMode::Unsealed : SecurityMode::FullAccess;
    block2F_ = Block2F::Challenge;
  } else if (RowFamily() && subcommand >= kMacRowBase && subcommand < kMacRowBase + 256) {
    block2F_ = Block2F::Row;
    row2F_ = subcommand - kMacRowBase;
  }
}

std::vector<uint8_t> SimulatedGauge::RawBlock(bool offsetOutput) const {
  const RawSample s = RawNow(offsetOutput);
  std::vector<uint8_t> out = {RollingCounter(), static_cast<uint8_t>(offsetOutput ? 2 : 1)};
  PutLe(out, static_cast<uint16_t>(s.coulombCounter));
  for (uint16_t c : s.cell)
    PutLe(out, c);
  for (int16_t t : s.temperature)
    PutLe(out, static_cast<uint16_t>(t));
  PutLe(out, s.pack);
  PutLe(out, s.battery);
  return out;
}

std::vector<uint8_t> SimulatedGauge::MacAnswer() const {
  const uint16_t sub = lastSubcommand_;
  const MacCommands& mac = scenario_.mac;
  if ((sub == mac.rawOutput || sub == mac.offsetOutput) && RawOutputAllowed())
    return RawBlock(sub == mac.offsetOutput);
  std::vector<uint8_t> out;
  if (sub == kMacDeviceType) {
    const auto& id = scenario_.identification;
    PutLe(out,
          static_cast<uint16_t>((id.size() > 0 ? id[0] : 0) << 8 | (id.size() > 1 ? id[1] : 0)));
  } else if (sub == kMacOperationStatus) {
    out = {kFetsOn, static_cast<uint8_t>(security_), 0x00, 0x00};
  } else if (sub == kMacManufacturingStatus) {
    out = {kFetControlEnabled, calMode_ ? kCalibrationModeBit : uint8_t{0}};
  } else if (sub == kMacVoltages) {
    const Reported r = ReportedNow();
    for (uint16_t mv : r.cellMv)
      PutLe(out, mv);
    PutLe(out, r.batteryMv);
    PutLe(out, r.packMv);
  } else if (sub == kMacTemperatures) {
    const Reported r = ReportedNow();
    for (uint16_t t : r.temperatureDeciK)
      PutLe(out, t);
    PutLe(out, r.temperatureDeciK[1]);  // cell temperature: the sensor on the cells
    PutLe(out, r.temperatureDeciK[2]);  // FET temperature: the sensor by the FETs
  } else if (sub == kMacCalibrationImage) {
    const auto& bytes = flash_.Bytes();
    const size_t n = scenario_.family == DfType::CEDV ? kCedvCalibrationArea : kRowSize;
    out.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
  } else if (RowFamily() && sub >= kMacRowBase && sub < kMacRowBase + kRowCount) {
    const auto& bytes = flash_.Bytes();
    const auto start = static_cast<std::ptrdiff_t>((sub - kMacRowBase) * kRowSize);
    out.assign(bytes.begin() + start, bytes.begin() + start + kRowSize);
  } else {
    PutLe(out, sub);  // no data of its own: the gauge echoes the subcommand
  }
  return out;
}

}  // namespace gaugecal::sim
