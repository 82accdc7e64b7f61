#include "device/Identification.h"

#include <array>
#include <cstdio>

#include "device/Codecs.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr int16_t kIdentifyPrepareA = 0x22;
constexpr int16_t kIdentifyPrepareB = 0x20;
constexpr int16_t kIdentifyAnswer = 0x2F;
constexpr int16_t kPrepareBlockLength = 62;
constexpr int32_t kAnswerSettleMs = 500;

// Hexadecimal without a leading zero added ("A" for 0x0A, "0" for 0).
std::string HexNoPad(uint8_t value) {
  char text[4];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

}  // namespace

std::string ReadDeviceIdentification(int16_t address, int32_t& status) {
  ModuleState& m = Module();
  const std::array<uint8_t, kPrepareBlockLength> zeros{};
  m.hostLink->WriteSMBusBlock(kIdentifyPrepareA, zeros, kPrepareBlockLength, address);
  m.hostLink->WriteSMBusBlock(kIdentifyPrepareB, zeros, kPrepareBlockLength, address);
  m.hostLink->WriteSMBusBlock(kIdentifyPrepareA, zeros, kPrepareBlockLength, address);
  ClearHostErrors();

  std::array<uint8_t, 256> b{};
  int16_t length = 0;
  status = m.hostLink->ReadSMBusBlock_(kIdentifyAnswer, b, length, address);
  // Without an identification no configuration section or description can match.
  if (status != 0) {
    ShowWarning("the gauge's identification was not read: block 0x2F failed with status " +
                std::to_string(status));
    return "";
  }
  if ((length != 11 && length != 13) || (length == 13 && b[10] != 1)) {
    ShowWarning("the gauge's identification was not understood: block 0x2F answered " +
                std::to_string(length) + " bytes");
    return "";
  }

  SleepMs(kAnswerSettleMs);
  m.IdDevice = HexNoPad(b[0]) + Hex2(b[1]);
  m.IdFirmware = HexNoPad(b[2]) + "_" + Hex2(b[3]);
  m.IdExtra = Hex2(b[4]) + Hex2(b[5]);
  if (length == 11) {
    m.IdBuild = std::to_string(b[6] == 0xFF ? b[9] : b[6]);
  } else {
    m.IdBuild = (b[11] == 0 ? std::string() : HexNoPad(b[11])) + HexNoPad(b[12]);
  }
  return m.IdDevice + "_" + m.IdFirmware + "_" + m.IdBuild + "_" + m.IdExtra;
}

}  // namespace gaugecal
