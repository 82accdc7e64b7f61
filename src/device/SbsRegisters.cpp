#include "device/SbsRegisters.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "device/HexText.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ManufactureDate.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr uint16_t kNothingToCount = 65535;
constexpr size_t kMaxBlock = 32;

constexpr SbsCommand kCommands[] = {
    {0x00, "ManufacturerAccess", SbsKind::Word, SbsUnit::Hex},
    {0x01, "RemainingCapacityAlarm", SbsKind::Word, SbsUnit::Capacity},
    {0x02, "RemainingTimeAlarm", SbsKind::Word, SbsUnit::Minutes},
    {0x03, "BatteryMode", SbsKind::Flags, SbsUnit::Hex},
    {0x04, "AtRate", SbsKind::Signed, SbsUnit::Rate},
    {0x05, "AtRateTimeToFull", SbsKind::Word, SbsUnit::Minutes},
    {0x06, "AtRateTimeToEmpty", SbsKind::Word, SbsUnit::Minutes},
    {0x07, "AtRateOK", SbsKind::Word, SbsUnit::Boolean},
    {0x08, "Temperature", SbsKind::Word, SbsUnit::DeciKelvin},
    {0x09, "Voltage", SbsKind::Word, SbsUnit::Millivolt},
    {0x0A, "Current", SbsKind::Signed, SbsUnit::Milliamp},
    {0x0B, "AverageCurrent", SbsKind::Signed, SbsUnit::Milliamp},
    {0x0C, "MaxError", SbsKind::Word, SbsUnit::Percent},
    {0x0D, "RelativeStateOfCharge", SbsKind::Word, SbsUnit::Percent},
    {0x0E, "AbsoluteStateOfCharge", SbsKind::Word, SbsUnit::Percent},
    {0x0F, "RemainingCapacity", SbsKind::Word, SbsUnit::Capacity},
    {0x10, "FullChargeCapacity", SbsKind::Word, SbsUnit::Capacity},
    {0x11, "RunTimeToEmpty", SbsKind::Word, SbsUnit::Minutes},
    {0x12, "AverageTimeToEmpty", SbsKind::Word, SbsUnit::Minutes},
    {0x13, "AverageTimeToFull", SbsKind::Word, SbsUnit::Minutes},
    {0x14, "ChargingCurrent", SbsKind::Word, SbsUnit::Milliamp},
    {0x15, "ChargingVoltage", SbsKind::Word, SbsUnit::Millivolt},
    {0x16, "BatteryStatus", SbsKind::Flags, SbsUnit::Hex},
    {0x17, "CycleCount", SbsKind::Word, SbsUnit::None},
    {0x18, "DesignCapacity", SbsKind::Word, SbsUnit::Capacity},
    {0x19, "DesignVoltage", SbsKind::Word, SbsUnit::Millivolt},
    {0x1A, "SpecificationInfo", SbsKind::Word, SbsUnit::Version},
    {0x1B, "ManufactureDate", SbsKind::Date, SbsUnit::None},
    {0x1C, "SerialNumber", SbsKind::Word, SbsUnit::None},
    {0x20, "ManufacturerName", SbsKind::Text, SbsUnit::None},
    {0x21, "DeviceName", SbsKind::Text, SbsUnit::None},
    {0x22, "DeviceChemistry", SbsKind::Text, SbsUnit::None},
    {0x23, "ManufacturerData", SbsKind::Block, SbsUnit::None},
    {0x3C, "CellVoltage4", SbsKind::Word, SbsUnit::Millivolt},
    {0x3D, "CellVoltage3", SbsKind::Word, SbsUnit::Millivolt},
    {0x3E, "CellVoltage2", SbsKind::Word, SbsUnit::Millivolt},
    {0x3F, "CellVoltage1", SbsKind::Word, SbsUnit::Millivolt},
};

constexpr SbsBit kModeBits[] = {
    {0, "INTERNAL_CHARGE_CONTROLLER"},
    {1, "PRIMARY_BATTERY_SUPPORT"},
    {7, "CONDITION_FLAG"},
    {8, "CHARGE_CONTROLLER_ENABLED"},
    {9, "PRIMARY_BATTERY"},
    {13, "ALARM_MODE"},
    {14, "CHARGER_MODE"},
    {15, "CAPACITY_MODE"},
};

constexpr SbsBit kStatusBits[] = {
    {4, "FULLY_DISCHARGED"},
    {5, "FULLY_CHARGED"},
    {6, "DISCHARGING"},
    {7, "INITIALIZED"},
    {8, "REMAINING_TIME_ALARM"},
    {9, "REMAINING_CAPACITY_ALARM"},
    {11, "TERMINATE_DISCHARGE_ALARM"},
    {12, "OVER_TEMP_ALARM"},
    {14, "TERMINATE_CHARGE_ALARM"},
    {15, "OVER_CHARGED_ALARM"},
};

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string HexWord(uint16_t word) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", word);
  return text;
}

void SetNumber(SbsValue& v, double number, const char* unit, const char* format = "%.0f") {
  v.number = number;
  v.unit = unit;
  v.decoded = Format(format, number) + " " + unit;
}

std::string VersionText(uint16_t word) {
  static const char* const kVersions[] = {"unknown", "1.0", "1.1", "1.1 with PEC"};
  const int version = (word >> 4) & 15;
  std::string text = "version ";
  text += version < 4 ? std::string(kVersions[version]) : std::to_string(version);
  text += ", revision " + std::to_string(word & 15);
  static const char* const kScales[] = {"1", "10", "100", "1000"};
  text += std::string(", voltages x") + kScales[(word >> 8) & 3];
  text += std::string(", currents x") + kScales[(word >> 12) & 3];
  return text;
}

}  // namespace

std::span<const SbsCommand> SbsCommands() {
  return kCommands;
}

const SbsCommand* FindSbsCommand(uint8_t command) {
  for (const SbsCommand& c : kCommands) {
    if (c.command == command)
      return &c;
  }
  return nullptr;
}

std::span<const SbsBit> SbsFlagBits(uint8_t command) {
  if (command == kSbsBatteryMode)
    return kModeBits;
  if (command == kSbsBatteryStatus)
    return kStatusBits;
  return {};
}

const char* SbsErrorCodeName(int code) {
  static const char* const kNames[] = {"OK",
                                       "Busy",
                                       "ReservedCommand",
                                       "UnsupportedCommand",
                                       "AccessDenied",
                                       "Overflow/Underflow",
                                       "BadSize",
                                       "UnknownError"};
  return code >= 0 && code < 8 ? kNames[code] : "reserved";
}

SbsValue SbsNotAnswered(const SbsCommand& command) {
  SbsValue v;
  v.command = &command;
  v.decoded = "not answered";
  return v;
}

SbsValue DecodeSbsWord(const SbsCommand& command, uint16_t word, bool capacityIn10mWh) {
  SbsValue v;
  v.command = &command;
  v.answered = true;
  v.word = word;
  v.raw = HexWord(word);
  const auto s = static_cast<double>(static_cast<int16_t>(word));
  const auto u = static_cast<double>(word);
  if (command.kind == SbsKind::Flags) {
    v.decoded = v.raw;
    for (const SbsBit& b : SbsFlagBits(command.command)) {
      const bool set = (word >> b.bit & 1) != 0;
      v.bits.emplace_back(b.name, set);
      if (set)
        v.decoded += std::string(" ") + b.name;
    }
    if (command.command == kSbsBatteryStatus)
      v.decoded += std::string(" error ") + SbsErrorCodeName(word & 15);
    return v;
  }
  if (command.kind == SbsKind::Date) {
    v.decoded = FormatManufactureDate(word);
    return v;
  }
  const double value = command.kind == SbsKind::Signed ? s : u;
  switch (command.unit) {
    case SbsUnit::None:
      v.number = value;
      v.decoded = Format("%.0f", value);
      break;
    case SbsUnit::Hex:
      v.decoded = v.raw;
      break;
    case SbsUnit::Millivolt:
      SetNumber(v, value, "mV");
      break;
    case SbsUnit::Milliamp:
      SetNumber(v, value, "mA");
      break;
    case SbsUnit::DeciKelvin:
      SetNumber(v, u / 10.0 - 273.15, "°C", "%.2f");
      break;
    case SbsUnit::Percent:
      SetNumber(v, value, "%");
      break;
    case SbsUnit::Minutes:
      if (word == kNothingToCount) {
        v.unit = "min";
        v.decoded = "not applicable (65535)";
      } else {
        SetNumber(v, value, "min");
      }
      break;
    case SbsUnit::Capacity:
      if (capacityIn10mWh)
        SetNumber(v, value * 10.0, "mWh");
      else
        SetNumber(v, value, "mAh");
      break;
    case SbsUnit::Rate:
      if (capacityIn10mWh)
        SetNumber(v, value * 10.0, "mW");
      else
        SetNumber(v, value, "mA");
      break;
    case SbsUnit::Boolean:
      v.decoded = word != 0 ? "true" : "false";
      break;
    case SbsUnit::Version:
      v.decoded = VersionText(word);
      break;
  }
  return v;
}

SbsValue DecodeSbsBlock(const SbsCommand& command, std::span<const uint8_t> bytes) {
  SbsValue v;
  v.command = &command;
  v.answered = true;
  v.bytes.assign(bytes.begin(), bytes.end());
  v.raw = HexBytes(bytes);
  if (command.kind == SbsKind::Text) {
    for (uint8_t b : bytes) {
      if (b == 0)
        break;  // a text padded with NUL ends at the first one
      v.decoded += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '?';
    }
  } else {
    v.decoded = v.raw;
  }
  return v;
}

std::vector<SbsValue> ReadSbsRegisters() {
  ModuleState& m = Module();
  HostLink& link = *m.hostLink;
  auto readWord = [&](uint8_t command, uint16_t& word) {
    int16_t w = 0;
    const bool ok = link.ReadSMBusWord_(command, w, m.SmbAddress) == 0;
    word = static_cast<uint16_t>(w);
    return ok;
  };
  uint16_t mode = 0;
  const bool modeAnswered = readWord(kSbsBatteryMode, mode);
  const bool in10mWh = modeAnswered && (mode & kCapacityModeBit) != 0;

  std::vector<SbsValue> values;
  for (const SbsCommand& c : kCommands) {
    if (c.kind == SbsKind::Text || c.kind == SbsKind::Block) {
      std::array<uint8_t, kMaxBlock> buffer{};
      int16_t length = 0;
      const bool ok = link.ReadSMBusBlock_(c.command, buffer, length, m.SmbAddress) == 0;
      const size_t n = std::min(static_cast<size_t>(std::max<int16_t>(length, 0)), kMaxBlock);
      values.push_back(ok ? DecodeSbsBlock(c, std::span(buffer).first(n)) : SbsNotAnswered(c));
      continue;
    }
    uint16_t word = mode;
    const bool ok = c.command == kSbsBatteryMode ? modeAnswered : readWord(c.command, word);
    values.push_back(ok ? DecodeSbsWord(c, word, in10mWh) : SbsNotAnswered(c));
  }
  ClearHostErrors();
  return values;
}

}  // namespace gaugecal
