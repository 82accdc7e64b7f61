#pragma once
// The simulated gauge's own map of its data flash: where each family keeps its calibration
// constants and the configuration word that holds the cell count, and how the three
// addressing schemes (64-byte pages, subclasses, 32-byte rows) reach the linear image.
// Values in data flash are big-endian; F4 is the gauge's four-byte float.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/CalConfig.h"

namespace gaugecal::sim {

enum class ParamType { U1, I1, U2, I2, F4 };

struct Param {
  std::string name;
  ParamType type;
  int offset;  // in the linear image
  double defaultValue;
};

// A QSPAN subclass: its number and where its bytes sit in the linear image.
struct Subclass {
  int id;
  int offset;
  int length;
};

// The parameters that carry each meaning in a family (nullptr where the family has none).
struct CalRoles {
  std::array<const Param*, 4> cellScale{};
  const Param* packGain = nullptr;
  const Param* batteryGain = nullptr;      // none: the battery voltage is the sum of the cells
  const Param* ccGain = nullptr;           // "CC Gain" / "Sense Resistor Gain"
  const Param* capacityGain = nullptr;     // "Capacity Gain" / "Coulomb Cnt Delta" / ...
  const Param* ccOffset = nullptr;         // "Current Offset" / "CC Offset"
  const Param* ccOffsetSamples = nullptr;  // none: the sample scale is fixed at 64
  const Param* boardOffset = nullptr;
  std::array<const Param*, 5> tempOffset{};  // internal, TS1..TS4
  const Param* configuration = nullptr;      // the word that holds the cell count
};

// Not copyable: the roles point into params, which only a move keeps in place.
struct FlashLayout {
  FlashLayout() = default;
  FlashLayout(const FlashLayout&) = delete;
  FlashLayout& operator=(const FlashLayout&) = delete;
  FlashLayout(FlashLayout&&) = default;
  FlashLayout& operator=(FlashLayout&&) = default;

  DfType family = DfType::RN44K18;
  bool rowLayout = false;  // CEDV, QSPAN: calibration area in the RN44K18 layout
  size_t size = 0;
  std::vector<Param> params;
  std::vector<Subclass> subclasses;  // QSPAN only
  CalRoles roles;

  const Param* Find(const std::string& name) const;
};

constexpr int kPageSize = 64;  // CEDV: page p is block 0x58 + p
constexpr int kPageCount = 4;
constexpr int kRowSize = 32;  // RN44K18, CEDV_PLUS: row r through subcommand 0x0100 + r
constexpr int kRowCount = 8;
constexpr int kFixedSampleScale = 64;
constexpr size_t kQspanEarlierImage =
    48;  // the QSPAN image before "Design" and "Charge"  // QSPAN keeps no "CC Offset Samples"

// rowLayout: a CEDV or QSPAN gauge whose calibration area follows the RN44K18 list (the
// layout the tool's data flash map describes), in the family's own page or subclass and with
// its own configuration word. RN44K18 and CEDV_PLUS have that layout anyway.
const FlashLayout& LayoutOf(DfType family, bool rowLayout = false);

// The values a parameter of the type holds (F4: any finite number).
std::pair<double, double> TypeRange(ParamType type);

// Byte offset in the linear image of the configuration word's cell bits (bits 1..0 = cells - 1)
// and, for the row families, of the temperature mapping bits (3, 4 and 6; all clear: the
// standard temperature command reports the internal sensor).
int CellBitsOffset(DfType family);
int TemperatureMapOffset(DfType family);  // -1 where the family has none

}  // namespace gaugecal::sim
