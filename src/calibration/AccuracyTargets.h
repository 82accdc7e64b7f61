#pragma once
// How close a calibrated gauge must read to its references: the hard targets of the
// closed-loop benchmark and of the check after every calibration. docs/calibration.md
// ("Closed-loop accuracy") gives what sets each one.

namespace gaugecal {

inline constexpr double kCellTargetMv = 1.0;               // each cell
inline constexpr double kBatteryPackTargetPercent = 0.1;   // battery and pack voltage
inline constexpr double kCurrentTargetPercent = 0.2;       // current
inline constexpr double kChargeTargetPercent = 0.2;        // charge counted over an hour
inline constexpr double kTemperatureTargetK = 0.1;         // each sensor
inline constexpr double kCounterOffsetTargetCounts = 1.5;  // coulomb counter offset residual
// The current the gauge reports with no load after a board offset calibration: the counter
// offset residual (1.5 counts, about 0.75 mA at the nominal sense resistor), one count of
// noise on each averaged reading and the gauge's whole-milliampere reports.
inline constexpr double kNoLoadCurrentTargetMa = 2.0;

}  // namespace gaugecal
