// The simulated gauge's other standard smart-battery commands, consistent with its pack model
// and data flash: capacities, times, alarms and status bits from the charge in the pack, the
// current, the cells and the parameters "Design Capacity", "Design Voltage", "Cycle Count",
// "Remaining Capacity Alarm", "Charging Voltage", "Charging Current" and "Terminate Voltage";
// BatteryMode and AtRate as the host last wrote them; the names as text blocks.

#include <algorithm>
#include <cmath>

#include "sim/SimulatedGauge.h"

namespace gaugecal::sim {

namespace {

constexpr int kRemainingCapacityAlarm = 0x01;
constexpr int kRemainingTimeAlarm = 0x02;
constexpr int kBatteryMode = 0x03;
constexpr int kAtRate = 0x04;
constexpr int kAtRateTimeToFull = 0x05;
constexpr int kAtRateTimeToEmpty = 0x06;
constexpr int kAtRateOk = 0x07;
constexpr int kAverageCurrent = 0x0B;
constexpr int kMaxError = 0x0C;
constexpr int kAbsoluteStateOfCharge = 0x0E;
constexpr int kFullChargeCapacity = 0x10;
constexpr int kRunTimeToEmpty = 0x11;
constexpr int kAverageTimeToEmpty = 0x12;
constexpr int kAverageTimeToFull = 0x13;
constexpr int kChargingCurrent = 0x14;
constexpr int kChargingVoltage = 0x15;
constexpr int kBatteryStatus = 0x16;
constexpr int kCycleCount = 0x17;
constexpr int kDesignCapacity = 0x18;
constexpr int kDesignVoltage = 0x19;
constexpr int kSpecificationInfo = 0x1A;
constexpr int kManufacturerName = 0x20;
constexpr int kDeviceName = 0x21;
constexpr int kDeviceChemistry = 0x22;

constexpr uint16_t kCapacityMode = 0x8000;
constexpr uint16_t kWritableModeBits = 0xE300;  // capacity, charger and alarm mode; bits 8, 9
constexpr uint16_t kVersion11WithPec = 0x0031;
constexpr uint16_t kNothingToCount = 65535;
constexpr uint16_t kRemainingTimeAlarmMinutes = 10;
constexpr uint16_t kMaxErrorPercent = 1;
constexpr double kOverTempDeciK = 2732.0 + 600.0;  // 60 degrees Celsius

// BatteryStatus bits.
constexpr uint16_t kOverTempAlarm = 0x1000;
constexpr uint16_t kTerminateDischargeAlarm = 0x0800;
constexpr uint16_t kTerminateChargeAlarm = 0x4000;
constexpr uint16_t kRemainingCapacityAlarmBit = 0x0200;
constexpr uint16_t kRemainingTimeAlarmBit = 0x0100;
constexpr uint16_t kInitialized = 0x0080;
constexpr uint16_t kDischarging = 0x0040;
constexpr uint16_t kFullyCharged = 0x0020;
constexpr uint16_t kFullyDischarged = 0x0010;

uint16_t Minutes(double mah, double ma) {
  if (!(ma > 0.0))
    return kNothingToCount;
  return static_cast<uint16_t>(std::clamp(std::floor(mah / ma * 60.0), 0.0, 65534.0));
}

std::vector<uint8_t> TextBytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(),
                              text.begin() + std::min<std::ptrdiff_t>(std::ssize(text), 32));
}

}  // namespace

double SimulatedGauge::FlashValue(const char* name) const {
  const Param* p = flash_.Layout().Find(name);
  return p ? flash_.Get(*p) : 0.0;
}

int SimulatedGauge::CapacityUnits(double mah) const {
  const double units =
      batteryMode_ & kCapacityMode ? mah * FlashValue("Design Voltage") / 10000.0 : mah;
  return static_cast<int>(std::clamp(std::nearbyint(units), 0.0, 65535.0));
}

bool SimulatedGauge::StandardWordAnswer(int command, uint16_t& word) const {
  const double current = ReportedNow().currentMa;
  const double remaining = std::max(remainingMah_, 0.0);
  const double full = scenario_.fullChargeMah;
  const auto capacity = [&](double mah) { return static_cast<uint16_t>(CapacityUnits(mah)); };
  switch (command) {
    case kRemainingCapacityAlarm:
      word = capacity(FlashValue("Remaining Capacity Alarm"));
      return true;
    case kRemainingTimeAlarm:
      word = kRemainingTimeAlarmMinutes;
      return true;
    case kBatteryMode:
      word = batteryMode_;
      return true;
    case kAtRate:
      word = static_cast<uint16_t>(atRate_);
      return true;
    case kAtRateTimeToFull:
      word = Minutes(full - remaining, atRate_);
      return true;
    case kAtRateTimeToEmpty:
      word = Minutes(remaining, -atRate_);
      return true;
    case kAtRateOk:
      // The pack can deliver any rate the charge in it lasts a minute at.
      word = atRate_ >= 0 || Minutes(remaining, -atRate_) > 0 ? 1 : 0;
      return true;
    case kAverageCurrent:
      word = static_cast<uint16_t>(ReportedNow().currentMa);
      return true;
    case kMaxError:
      word = kMaxErrorPercent;
      return true;
    case kAbsoluteStateOfCharge: {
      const double design = FlashValue("Design Capacity");
      word = design > 0 ? static_cast<uint16_t>(
                              std::clamp(std::nearbyint(remaining / design * 100.0), 0.0, 255.0))
                        : 0;
      return true;
    }
    case kFullChargeCapacity:
      word = capacity(full);
      return true;
    case kRunTimeToEmpty:
    case kAverageTimeToEmpty:
      word = Minutes(remaining, -current);
      return true;
    case kAverageTimeToFull:
      word = Minutes(std::max(full - remaining, 0.0), current);
      return true;
    case kChargingCurrent:
      word = scenario_.stateOfCharge >= 100.0
                 ? 0
                 : static_cast<uint16_t>(FlashValue("Charging Current"));
      return true;
    case kChargingVoltage:
      word = static_cast<uint16_t>(FlashValue("Charging Voltage"));
      return true;
    case kBatteryStatus: {
      const Reported r = ReportedNow();
      const bool discharging = current <= 0.0;
      uint16_t status = kInitialized;
      if (discharging)
        status |= kDischarging;
      if (scenario_.stateOfCharge >= 100.0)
        status |= kFullyCharged;
      if (scenario_.stateOfCharge >= 100.0 && !discharging)
        status |= kTerminateChargeAlarm;
      if (scenario_.stateOfCharge <= 0.0)
        status |= kFullyDischarged;
      if (remaining < FlashValue("Remaining Capacity Alarm"))
        status |= kRemainingCapacityAlarmBit;
      if (discharging && current < 0.0 && Minutes(remaining, -current) < kRemainingTimeAlarmMinutes)
        status |= kRemainingTimeAlarmBit;
      if (discharging && r.batteryMv < FlashValue("Terminate Voltage"))
        status |= kTerminateDischargeAlarm;
      if (r.temperatureDeciK[0] > kOverTempDeciK)
        status |= kOverTempAlarm;
      word = status;
      return true;
    }
    case kCycleCount:
      word = static_cast<uint16_t>(FlashValue("Cycle Count"));
      return true;
    case kDesignCapacity:
      word = capacity(FlashValue("Design Capacity"));
      return true;
    case kDesignVoltage:
      word = static_cast<uint16_t>(FlashValue("Design Voltage"));
      return true;
    case kSpecificationInfo:
      word = kVersion11WithPec;
      return true;
    default:
      return false;
  }
}

bool SimulatedGauge::StandardWordWrite(int command, uint16_t word) {
  if (command == kBatteryMode) {
    batteryMode_ =
        static_cast<uint16_t>((batteryMode_ & ~kWritableModeBits) | (word & kWritableModeBits));
    return true;
  }
  if (command == kAtRate) {
    atRate_ = static_cast<int16_t>(word);
    return true;
  }
  return false;
}

bool SimulatedGauge::StandardBlockAnswer(int command, std::vector<uint8_t>& data) const {
  switch (command) {
    case kManufacturerName:
      data = TextBytes(scenario_.manufacturerName);
      return true;
    case kDeviceName:
      data = TextBytes(scenario_.deviceName.empty()
                           ? std::string("SIM-") + DfTypeName(scenario_.family)
                           : scenario_.deviceName);
      return true;
    case kDeviceChemistry:
      data = TextBytes(scenario_.deviceChemistry);
      return true;
    default:
      return false;
  }
}

}  // namespace gaugecal::sim
