#pragma once
// Which calibration parameter receives each new constant, by gauge family and by whether the
// data flash map is in use. RN44K18 and CEDV_PLUS always use their own list (CalTable group 0);
// CEDV and QSPAN use their own lists, or group 0 at the mapped positions when the map is on.

#include <array>
#include <optional>

#include "calibration/CalParameters.h"

namespace gaugecal {

enum class CalLayout { Rn44k18, CedvPlus, CedvOwn, QspanOwn, Mapped };

// The layout of the configured family and map setting.
CalLayout CurrentCalLayout();

// Where the measured temperature of a sensor comes from: the live "Temperatures" row, or the
// value the technician saw when starting (TemperatureCalInput::Measured).
enum class TempSource { Live, Entered };

struct TempTarget {
  CalRowRef row;
  TempSource source = TempSource::Entered;
  const char* liveRow = "";  // the "Temperatures" row, for TempSource::Live
};

inline constexpr int kTemperatureSensors = 5;  // internal, TS1 to TS4

std::array<CalRowRef, 4> CellScaleTargets(CalLayout layout);
CalRowRef BatteryGainTarget();
// Nothing when the sensor is not calibrated on this layout.
std::optional<TempTarget> TemperatureTarget(CalLayout layout, int sensor);

CalRowRef CCOffsetTarget(CalLayout layout);
CalRowRef BoardOffsetTarget(CalLayout layout);
CalRowRef CurrentGainTarget(CalLayout layout);
CalRowRef CapacityGainTarget(CalLayout layout);
// Nothing when the layout has no pack gain that a calibration may write.
std::optional<CalRowRef> PackGainTarget(CalLayout layout);

}  // namespace gaugecal
