#include "sim/Scenario.h"

#include <algorithm>

#include "device/HexText.h"
#include "security/DefaultKey.h"

namespace gaugecal::sim {

namespace {

struct FamilyDefaults {
  DfType family;
  std::vector<uint8_t> identification;
  int cells;
  uint64_t seed;
  // Converter errors of this particular device: a few tenths of a percent to a few percent,
  // as an uncalibrated board shows them.
  std::array<double, 4> cellGain;
  double batteryGain;
  double packGain;
  double senseFactor;  // actual sense resistor / nominal
  std::array<double, 5> temperatureErrorC;
  double ccOffsetCounts;
  double boardOffsetCounts;
};

const FamilyDefaults& Defaults(DfType family) {
  static const FamilyDefaults table[] = {
      {DfType::CEDV,
       {0x02, 0x50, 0x01, 0x10, 0x00, 0x01, 0x05, 0x00, 0x00, 0x00, 0x00},
       3,
       0xCED5,
       {0.012, -0.008, 0.006, 0.0},
       0.0,
       -0.011,
       1.014,
       {0.9, -1.3, 0.6, 0.0, 0.0},
       -104.0,
       7.0},
      {DfType::QSPAN,
       {0x04, 0x50, 0x02, 0x01, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x07, 0x00},
       4,
       0x05BA,
       {-0.009, 0.014, 0.004, -0.017},
       0.0,
       0.013,
       0.987,
       {-1.1, 0.8, -0.5, 0.4, 0.0},
       -118.0,
       -6.0},
      {DfType::RN44K18,
       {0x0A, 0x05, 0x01, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x1B},
       4,
       0x4418,
       {0.008, -0.012, 0.005, -0.003},
       0.011,
       -0.009,
       1.015,
       {1.2, -0.7, 0.4, 0.0, 0.0},
       -112.0,
       9.0},
      {DfType::CEDV_PLUS,
       {0x03, 0x60, 0x03, 0x00, 0x00, 0x04, 0x12, 0x00, 0x00, 0x00, 0x00},
       3,
       0xCED9,
       {-0.006, 0.010, -0.013, 0.0},
       -0.014,
       0.008,
       1.021,
       {-0.9, 1.1, -0.6, 0.0, 0.0},
       -97.0,
       -11.0},
  };
  for (const FamilyDefaults& d : table) {
    if (d.family == family)
      return d;
  }
  return table[2];
}

}  // namespace

Scenario DefaultScenario(DfType family) {
  const FamilyDefaults& d = Defaults(family);
  Scenario s;
  s.family = family;
  s.identification = d.identification;
  s.cells = d.cells;
  // A pack at rest, half charged, on a bench at room temperature.
  const std::array<double, 4> cellMv = {3902.0, 3897.0, 3905.0, 3899.0};
  for (int i = 0; i < 4; ++i) {
    s.cellMv[i] = cellMv[i];  // cells beyond the count are not fitted and read nothing
    s.cellError[i].gainError = d.cellGain[i];
  }
  s.temperatureC = {27.5, 25.0, 25.4, 25.0, 25.0};
  s.stateOfCharge = 62.0;
  s.senseResistorMilliohm *= d.senseFactor;
  s.batteryError.gainError = d.batteryGain;
  s.packError.gainError = d.packGain;
  s.temperatureErrorC = d.temperatureErrorC;
  s.ccOffsetCounts = d.ccOffsetCounts;
  s.boardOffsetCounts = d.boardOffsetCounts;
  s.seed = d.seed;
  ParseKey(kDefaultKey, s.key);
  return s;
}

bool IsAdapterFault(FaultKind kind) {
  return kind == FaultKind::BusyForever || kind == FaultKind::ArbitrationLost ||
         kind == FaultKind::ReadIncomplete || kind == FaultKind::PecMismatch ||
         kind == FaultKind::Unplugged;
}

std::optional<DfType> ParseFamily(const std::string& name) {
  for (DfType t : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    if (name == DfTypeName(t))
      return t;
  }
  return std::nullopt;
}

const char* SecurityModeName(SecurityMode mode) {
  switch (mode) {
    case SecurityMode::Sealed:
      return "Sealed";
    case SecurityMode::Unsealed:
      return "Unsealed";
    case SecurityMode::FullAccess:
      break;
  }
  return "FullAccess";
}

std::optional<SecurityMode> ParseSecurityMode(const std::string& name) {
  for (SecurityMode m : {SecurityMode::Sealed, SecurityMode::Unsealed, SecurityMode::FullAccess}) {
    if (name == SecurityModeName(m))
      return m;
  }
  return std::nullopt;
}

bool ParseKey(const std::string& hex, std::array<uint8_t, 16>& key) {
  std::vector<uint8_t> bytes;
  if (!ParseHexBytes(hex, bytes) || bytes.size() != key.size())
    return false;
  std::copy(bytes.begin(), bytes.end(), key.begin());
  return true;
}

}  // namespace gaugecal::sim
