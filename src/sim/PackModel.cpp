#include "sim/PackModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gaugecal::sim {

namespace {

constexpr double kGainUnit = 65536.0;  // gains and scale factors are ratios times 65536
constexpr double kDefaultBatteryGain = 44100.0;

enum Channel : uint64_t {
  kChCoulomb = 0,
  kChCell1 = 1,  // to kChCell1 + 3
  kChTemp0 = 5,  // to kChTemp0 + 4
  kChPack = 10,
  kChBattery = 11,
};

uint64_t SplitMix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// Uniform in [-amplitude, amplitude), the same for the same seed, tick and channel.
double Noise(const Scenario& s, uint64_t tick, uint64_t channel) {
  const uint64_t h = SplitMix(SplitMix(s.seed ^ (tick * 0x2545F4914F6CDD1DULL)) + channel);
  const double u = static_cast<double>(h >> 11) * 0x1.0p-53;
  return (2.0 * u - 1.0) * s.noiseCounts;
}

template <typename T>
T Clamp(double value) {
  const double r = std::nearbyint(value);  // to nearest, halves to even
  const double lo = static_cast<double>(std::numeric_limits<T>::min());
  const double hi = static_cast<double>(std::numeric_limits<T>::max());
  if (!(r >= lo))
    return std::numeric_limits<T>::min();
  if (r > hi)
    return std::numeric_limits<T>::max();
  return static_cast<T>(r);
}

double Counts(double value, double countsPerUnit, const ChannelError& e) {
  return value * countsPerUnit * (1.0 + e.gainError) + e.offsetCounts;
}

double StackMv(const Scenario& s) {
  double stack = 0.0;
  for (int i = 0; i < std::clamp(s.cells, 0, 4); ++i)
    stack += s.cellMv[static_cast<size_t>(i)];
  return stack;
}

double ValueOr(const GaugeFlash& flash, const Param* p, double fallback) {
  return p ? flash.Get(*p) : fallback;
}

// The load at a conversion, drifting when the scenario says so.
double CurrentMa(const Scenario& s, uint64_t tick) {
  return s.currentMa +
         s.currentDriftMaPerS * static_cast<double>(tick) * kConversionPeriodMs / 1000.0;
}

// Shorted inputs leave only the counter's own offset; connected ones add the board's leakage
// and the voltage across the sense resistor (mA x mOhm = uV).
int16_t CoulombCount(const Scenario& s, uint64_t tick, bool offsetOutput) {
  double cc = s.ccOffsetCounts + Noise(s, tick, kChCoulomb);
  if (!offsetOutput)
    cc +=
        s.boardOffsetCounts + CurrentMa(s, tick) * s.senseResistorMilliohm * kCcCountsPerMicrovolt;
  return Clamp<int16_t>(cc);
}

// The counter's offsets are kept for a sum of `scale` samples; what is left of a count after
// subtracting them.
struct CounterCorrection {
  explicit CounterCorrection(const GaugeFlash& flash) {
    const CalRoles& roles = flash.Layout().roles;
    scale = std::max(1.0, ValueOr(flash, roles.ccOffsetSamples, kFixedSampleScale));
    offsets = flash.Get(*roles.ccOffset) + flash.Get(*roles.boardOffset);
  }
  double Corrected(int16_t count) const { return (count * scale - offsets) / scale; }
  double scale;
  double offsets;
};

// Counts times the current gain per mA: 4.768 / R_s reports I, at 0.4 counts a microvolt.
constexpr double kCountsToMaUnit = kCcGainConstant * kCcCountsPerMicrovolt;
constexpr double kHoursPerConversion = kConversionPeriodMs / 3600000.0;

}  // namespace

double NominalPackCountsPerMv(const FlashLayout& layout) {
  const Param* gain = layout.roles.packGain;
  return kGainUnit / gain->defaultValue;
}

double NominalBatteryCountsPerMv() {
  return kGainUnit / kDefaultBatteryGain;
}

RawSample Convert(const Scenario& s, uint64_t tick, bool offsetOutput) {
  RawSample r;
  for (size_t i = 0; i < 4; ++i) {
    const double mv = static_cast<int>(i) < s.cells ? s.cellMv[i] : 0.0;
    r.cell[i] = Clamp<uint16_t>(Counts(mv, kCellCountsPerMv, s.cellError[i]) +
                                Noise(s, tick, kChCell1 + i));
  }
  const double stack = StackMv(s);
  r.battery = Clamp<uint16_t>(Counts(stack, NominalBatteryCountsPerMv(), s.batteryError) +
                              Noise(s, tick, kChBattery));
  r.pack =
      Clamp<uint16_t>(Counts(s.packMv.value_or(stack),
                             NominalPackCountsPerMv(LayoutOf(s.family, s.rowLayout)), s.packError) +
                      Noise(s, tick, kChPack));

  r.coulombCounter = CoulombCount(s, tick, offsetOutput);

  for (size_t i = 0; i < 5; ++i) {
    const double deciC = (s.temperatureC[i] + s.temperatureErrorC[i]) * 10.0;
    r.temperature[i] =
        Clamp<int16_t>(deciC * kTemperatureCountsPerDeciK + Noise(s, tick, kChTemp0 + i));
  }
  return r;
}

Reported Report(const RawSample& raw, const GaugeFlash& flash) {
  const CalRoles& roles = flash.Layout().roles;
  Reported out;

  // Scale factor n turns the sum of the raw counts of cells 1..n into the stack voltage at
  // the top of cell n; a cell is the difference of two rounded stacks.
  const int cells = std::min(flash.ConfiguredCells(), 4);
  double sum = 0.0;
  double below = 0.0;
  for (int n = 0; n < cells; ++n) {
    const auto i = static_cast<size_t>(n);
    sum += raw.cell[i];
    const double stack = std::nearbyint(sum * flash.Get(*roles.cellScale[i]) / kGainUnit);
    out.cellMv[i] = Clamp<uint16_t>(stack - below);
    below = stack;
  }
  out.batteryMv = roles.batteryGain
                      ? Clamp<uint16_t>(raw.battery * flash.Get(*roles.batteryGain) / kGainUnit)
                      : Clamp<uint16_t>(below);
  out.packMv = Clamp<uint16_t>(raw.pack * flash.Get(*roles.packGain) / kGainUnit);

  const double corrected = CounterCorrection(flash).Corrected(raw.coulombCounter);
  out.currentMa = Clamp<int16_t>(corrected * flash.Get(*roles.ccGain) / kCountsToMaUnit);

  for (size_t i = 0; i < 5; ++i) {
    const double converted = kZeroCelsiusDeciK + raw.temperature[i] / kTemperatureCountsPerDeciK;
    out.temperatureDeciK[i] = Clamp<uint16_t>(converted + ValueOr(flash, roles.tempOffset[i], 0.0));
  }
  return out;
}

double PassedChargeMah(const Scenario& scenario, const GaugeFlash& flash, uint64_t from,
                       uint64_t to) {
  const CounterCorrection correction(flash);
  double counts = 0.0;
  for (uint64_t tick = from + 1; tick <= to; ++tick)
    counts += correction.Corrected(CoulombCount(scenario, tick, false));
  const double gain = flash.Get(*flash.Layout().roles.capacityGain);
  return counts * gain / (kCountsToMaUnit * kCapacityFactor) * kHoursPerConversion;
}

}  // namespace gaugecal::sim
