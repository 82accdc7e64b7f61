#pragma once
// The row tables behind the two grids: live values the gauge measures (LiveTable) and the
// calibration parameters in its data flash (CalTable). Each row says what a value is called,
// how its bytes decode, where it sits in the gauge's block and its unit; the readers fill in
// the value texts that the grids show and the calibration engine reads.

#include <array>
#include <cstdint>
#include <string>

namespace gaugecal {

struct DisplayItem {
  std::string name;
  std::string dataType;  // "U1", "U2", "I1", "I2", "F4" or "T2"
  std::string position;  // decimal byte offset in the group's block or the calibration data
  std::string unit;
  std::string value;
  std::string defaultValue;
  std::string key;  // config.ini location key (CalTable group 0 only)
  int16_t gridRow = 0;
  bool shown = false;
};

struct DisplayGroup {
  int16_t subcommand = 0;
  std::string name;
  int32_t blockCommand = 0;
  int32_t itemCount = 0;
  bool throughMAC = false;
  std::array<DisplayItem, 16> items{};
};

using LiveTableType = std::array<DisplayGroup, 4>;
using CalTableType = std::array<DisplayGroup, 3>;

// CalTable groups by family.
constexpr int kCalGroupRn44k18 = 0;  // RN44K18, CEDV_PLUS, and every family with the map on
constexpr int kCalGroupCedv = 1;
constexpr int kCalGroupQspan = 2;

// LiveTable groups.
constexpr int kLiveVoltages = 0;
constexpr int kLiveTemperatures = 1;
constexpr int kLiveRawCal = 2;
constexpr int kLiveCurrent = 3;

// Rebuilds both tables in the module state from scratch and sets the data flash settle times.
void InitDisplayTables();

}  // namespace gaugecal
