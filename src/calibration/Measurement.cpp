// Live measurements: one word read through a command string of config.ini ("SBS,n" or
// "MAC,n"), and the cumulative cell stack voltages.

#include <array>
#include <string>

#include "calibration/Acquisition.h"
#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr size_t kMinCommandLength = 4;

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos)
    return "";
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// The command's type and code; nothing when the string is not "TYPE,CODE" with a 16-bit code.
bool SplitCommand(const std::string& command, std::string& type, int16_t& code) {
  const auto comma = command.find(',');
  if (comma == std::string::npos)
    return false;
  const std::string first = command.substr(0, comma);
  const auto next = command.find(',', comma + 1);
  const std::string second =
      command.substr(comma + 1, next == std::string::npos ? next : next - comma - 1);
  if (first.empty() || second.empty())
    return false;
  const auto value = ParseDecimal(second);
  const auto rounded = value ? RoundToInt16(*value) : std::nullopt;
  if (!rounded)
    return false;
  type = Trim(first);
  code = *rounded;
  return true;
}

void StackVoltages(const std::array<int16_t, 4>& commands, std::array<std::string*, 4> out) {
  ModuleState& m = Module();
  int32_t sum = 0;
  for (size_t k = 0; k < commands.size(); ++k) {
    uint8_t msb = 0;
    uint8_t lsb = 0;
    if (m.hostLink->ReadSMBusWord(commands[k], msb, lsb, m.SmbAddress) != 0) {
      for (size_t j = k; j < out.size(); ++j)
        *out[j] = kErrRd;
      return;
    }
    sum += BytesToInt16(msb, lsb);
    *out[k] = std::to_string(sum);
  }
}

constexpr std::array<int16_t, 4> kCellVoltages = {0x3F, 0x3E, 0x3D, 0x3C};
constexpr std::array<int16_t, 4> kAltCellVoltages = {0x3B, 0x3A, 0x39, 0x38};

}  // namespace

int32_t readmeasurementfromdevice(const std::string& command, const std::string& format,
                                  std::string& result) {
  if (format != "U2" && format != "I2" && format != "I1") {
    ShowMessage("Format specified in function readmeasurementfromdevice is not supported.");
    return 1;
  }
  if (command.size() < kMinCommandLength) {
    ShowMessage("Error in length of read command string in function readmeasurementfromdevice.");
    return 1;
  }
  std::string type;
  int16_t code = 0;
  if (!SplitCommand(command, type, code)) {
    ShowMessage("Error in format of read command string in function readmeasurementfromdevice.");
    return 1;
  }

  ModuleState& m = Module();
  uint8_t msb = 0;
  uint8_t lsb = 0;
  int32_t status = 0;
  if (type == "SBS") {
    status = m.hostLink->ReadSMBusWord(code, msb, lsb, m.SmbAddress);
  } else if (type == "MAC") {
    if (WriteMACCommand(code) != 0) {
      result = kErrRd;
      return 0;
    }
    status = m.hostLink->ReadSMBusWord(m.calConfig.KVMAC, msb, lsb, m.SmbAddress);
  }
  if (status != 0) {
    result = kErrRd;
    return 0;
  }
  result =
      format == "I2" ? std::to_string(BytesToInt16(msb, lsb)) : std::to_string(msb * 256 + lsb);
  return 0;
}

void ReadStackVoltages(std::string& c1, std::string& c2, std::string& c3, std::string& c4) {
  StackVoltages(Module().calConfig.ReadAltCellVoltages ? kAltCellVoltages : kCellVoltages,
                {&c1, &c2, &c3, &c4});
}

void ReadAltStackVoltages(std::string& c1, std::string& c2, std::string& c3, std::string& c4) {
  StackVoltages(kAltCellVoltages, {&c1, &c2, &c3, &c4});
}

}  // namespace gaugecal
