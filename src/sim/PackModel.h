#pragma once
// The physics of the simulated pack and the gauge's converters. Convert turns the true values
// of a scenario into raw converter counts (gain errors, offsets, seeded noise); Report turns
// raw counts into the values the gauge reports, using the calibration constants in its own
// data flash the way the gauge uses them. docs/sim.md writes the equations down.

#include <array>
#include <cstdint>

#include "sim/GaugeFlash.h"
#include "sim/Scenario.h"

namespace gaugecal::sim {

constexpr double kConversionPeriodMs = 250.0;  // a new raw sample and rolling counter value

// Nominal converter constants: with them the default calibration constants are about right.
constexpr double kCellCountsPerMv = 3.2;             // 0.3125 mV a count; scale 20480 is exact
constexpr double kCcCountsPerMicrovolt = 0.4;        // coulomb counter across the sense resistor
constexpr double kCcGainConstant = 4.768;            // CC Gain = 4.768 / sense resistor (mOhm)
constexpr double kTemperatureCountsPerDeciK = 16.0;  // raw temperature counts per 0.1 K
constexpr double kZeroCelsiusDeciK = 2732.0;
// The gauge's capacity gain is its current gain times this factor: with it the charge
// integrator counts the same corrected counts in mAh per conversion.
constexpr double kCapacityFactor = 298261.632;

// Counts per millivolt that make the family's default pack / battery gain exact.
double NominalPackCountsPerMv(const FlashLayout& layout);
double NominalBatteryCountsPerMv();

// One conversion: the fields of the raw calibration block from byte 2 on.
struct RawSample {
  int16_t coulombCounter = 0;
  std::array<uint16_t, 4> cell{};
  std::array<int16_t, 5> temperature{};  // TInt, TS1, TS2, TS3, TS4
  uint16_t pack = 0;
  uint16_t battery = 0;
};

struct Reported {
  std::array<uint16_t, 4> cellMv{};  // 0 beyond the configured cells
  uint16_t batteryMv = 0;
  uint16_t packMv = 0;
  int16_t currentMa = 0;
  std::array<uint16_t, 5> temperatureDeciK{};  // internal, TS1..TS4
};

// tick numbers the conversion (one every 250 ms); the noise of a channel depends only on the
// seed, the tick and the channel. offsetOutput shorts the current inputs internally.
RawSample Convert(const Scenario& scenario, uint64_t tick, bool offsetOutput);

Reported Report(const RawSample& raw, const GaugeFlash& flash);

// The charge (mAh, discharge negative) the gauge's integrator adds for the conversions after
// tick `from` up to and including `to`, with the pack as the scenario holds it now: the
// coulomb counter, corrected by the stored offsets, times the stored capacity gain.
double PassedChargeMah(const Scenario& scenario, const GaugeFlash& flash, uint64_t from,
                       uint64_t to);

}  // namespace gaugecal::sim
