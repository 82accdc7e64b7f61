#include "ClosedLoopGauge.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <stdexcept>

#include "ScratchBackups.h"
#include "calibration/Acquisition.h"
#include "calibration/CalParameters.h"
#include "calibration/DeviceMeasurements.h"
#include "config/Settings.h"
#include "device/Codecs.h"
#include "device/HexText.h"
#include "device/Identification.h"
#include "device/ModuleState.h"
#include "device/TableDecoders.h"

namespace gaugecal::bench {

namespace {

constexpr double kCalibrationCurrentMa = 2000.0;  // a 2 A load or charger
constexpr int kConversionsAveraged = 16;
constexpr double kHourMs = 3600000.0;
constexpr double kStartMah = 5000.0;  // room for two hours of charge or discharge at 2 A
constexpr int16_t kRemainingCapacity = 0x0F;
constexpr double kSampleScales[] = {64.0, 32.0, 100.0};

// References are what the bench instruments show: whole millivolts, tenths of a degree.
sim::Scenario SeededScenario(const Variant& v, uint64_t seed, double noiseCounts) {
  std::mt19937_64 rng(seed * 0x9E3779B97F4A7C15ULL + std::hash<std::string>{}(v.name));
  auto uniform = [&rng](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
  };
  sim::Scenario s = sim::DefaultScenario(v.family);
  if (v.identification && !ParseHexBytes(v.identification, s.identification))
    throw std::logic_error(std::string("bad identification of ") + v.name);
  s.rowLayout = v.rowLayout;
  s.seed = seed;
  s.cells = 2 + static_cast<int>(seed % 3);
  if (v.sampleScales)
    s.parameters.emplace_back("CC Offset Samples", kSampleScales[(seed / 3) % 3]);
  for (size_t i = 0; i < 4; ++i) {
    s.cellMv[i] = std::round(uniform(3000.0, 4200.0));
    s.cellError[i] = {uniform(-0.03, 0.03), uniform(-20.0, 20.0)};
  }
  s.batteryError = {uniform(-0.03, 0.03), uniform(-20.0, 20.0)};
  s.packError = {uniform(-0.03, 0.03), uniform(-20.0, 20.0)};
  s.senseResistorMilliohm = 4.768 / 0.9419 * (1.0 + uniform(-0.03, 0.03));
  for (size_t i = 0; i < 5; ++i) {
    s.temperatureC[i] = std::round(uniform(20.0, 30.0) * 10.0) / 10.0;
    s.temperatureErrorC[i] = uniform(-2.0, 2.0);
  }
  // A counter offset the offset calibration accepts (-450 to -5 counts) and a board leakage
  // that keeps the no-load count within the board offset calibration's +-300.
  s.ccOffsetCounts = uniform(-250.0, -20.0);
  s.boardOffsetCounts = uniform(-40.0, 40.0);
  s.noiseCounts = noiseCounts;
  s.currentMa = 0.0;
  s.remainingMah = kStartMah;
  return s;
}

double StackMv(const sim::Scenario& s, int cells) {
  double stack = 0.0;
  for (int i = 0; i < cells; ++i)
    stack += s.cellMv[static_cast<size_t>(i)];
  return stack;
}

}  // namespace

ClosedLoopGauge::ClosedLoopGauge(const Variant& variant, uint64_t seed, double noiseCounts)
    : variant_(variant),
      calibrationMa_(seed % 2 == 0 ? -kCalibrationCurrentMa : kCalibrationCurrentMa) {
  std::string error;
  gauge_ = sim::OpenGauge(SeededScenario(variant, seed, noiseCounts), platform_, error);
  if (!gauge_)
    throw std::runtime_error(error);
  // Panel start-up: display tables, identification, the sample config.ini, the calibration
  // image and the sample scale.
  ResetModule();
  ModuleState& m = Module();
  m.platform = &platform_;
  m.hostLink = gauge_.get();
  m.SmbAddress = 0x17;
  m.appDirectory = std::string(GAUGECAL_SAMPLE_APPDIR) + "/";
  m.backupDir = bench::ScratchBackupDir();
  InitDisplayTables();
  int32_t status = 0;
  ReadDeviceIdentification(m.SmbAddress, status);
  if (status != 0 || CheckConfiguration() != 0 || ReadCalBuffer() != 0)
    throw std::runtime_error("start-up against the simulated gauge failed");
  TransferCalBufferToTable();
  LoadCCOffsetSampleScale();
}

ClosedLoopGauge::~ClosedLoopGauge() {
  ResetModule();
}

CalibrationRequest ClosedLoopGauge::References(CalibrationAction action) {
  sim::Scenario& s = gauge_->Settings();
  s.currentMa = action == CalibrationAction::PackCurrent ? calibrationMa_ : 0.0;
  CalibrationRequest r;
  r.action = action;
  for (double& actual : r.temps.Actual)
    actual = kSensorNotCalibrated;
  const double stack = StackMv(s, s.cells);
  r.packActual = r.packMeasured = stack;
  r.currentActual = std::to_string(static_cast<int>(calibrationMa_));
  if (action != CalibrationAction::VoltageTemperature)
    return r;

  // The cumulative stack readings the technician types, and the sensors the page offers, with
  // the readings it shows (offsets against live readings take them from the live table).
  r.voltageSelected = r.temperatureSelected = true;
  int16_t* rows[4] = {&r.volts.Cell1, &r.volts.Cell2, &r.volts.Cell3, &r.volts.Cell4};
  for (int n = 1; n <= s.cells; ++n)
    *rows[n - 1] = static_cast<int16_t>(StackMv(s, n));
  r.volts.CellCount = static_cast<int16_t>(s.cells);
  r.volts.Battery = stack;
  const DeviceMeasurements shown = ReadDeviceMeasurements();
  for (size_t i = 0; i < variant_.sensors.size(); ++i) {
    if (!variant_.sensors[i])
      continue;
    // CEDV_PLUS shows its internal sensor through the mapped standard temperature command.
    const std::string text = i == 0 && variant_.family == DfType::CEDV_PLUS
                                 ? ReadMappedInternalTemperature()
                                 : shown.temperatures[i];
    r.temps.Actual[i] = s.temperatureC[i];
    r.temps.Measured[i] = ParseDecimal(text).value_or(0.0);
  }
  return r;
}

std::vector<std::string> ClosedLoopGauge::CalibrateAll() {
  std::vector<std::string> failures;
  for (CalibrationAction action :
       {CalibrationAction::CCOffset, CalibrationAction::BoardOffset,
        CalibrationAction::VoltageTemperature, CalibrationAction::PackVoltage,
        CalibrationAction::PackCurrent}) {
    if (action == CalibrationAction::PackVoltage && !variant_.batteryAndPack)
      continue;
    CalibrationRequest request = References(action);
    platform_.ClearMessages();
    if (RunCalibration(request) != 0) {
      for (const MessageRecord& m : platform_.Messages())
        failures.push_back(m.text);
    }
  }
  gauge_->Settings().currentMa = 0.0;
  return failures;
}

// The charge the gauge reports (0x0F, whole mAh) for an hour at the given current.
double ClosedLoopGauge::HourOfChargeMah(double currentMa) {
  gauge_->Settings().currentMa = currentMa;
  const auto remaining = [this] {
    uint8_t msb = 0, lsb = 0;
    if (gauge_->ReadSMBusWord(kRemainingCapacity, msb, lsb, 0x17) != 0)
      throw std::runtime_error("the gauge does not report its remaining capacity");
    return static_cast<double>(msb * 256 + lsb);
  };
  const double start = remaining();
  platform_.PassTime(kHourMs);
  return remaining() - start;
}

Errors ClosedLoopGauge::Measure() {
  sim::Scenario& s = gauge_->Settings();
  const double stack = StackMv(s, s.cells);
  const double n = kConversionsAveraged;
  Errors e;
  for (double load : {kCalibrationCurrentMa, -kCalibrationCurrentMa}) {
    s.currentMa = load;
    std::array<double, 4> cells{};
    std::array<double, 5> temps{};
    double battery = 0.0, pack = 0.0, current = 0.0;
    for (int k = 0; k < kConversionsAveraged; ++k) {
      platform_.PassTime(sim::kConversionPeriodMs);
      const sim::Reported r = gauge_->ReportedNow();
      for (size_t i = 0; i < cells.size(); ++i)
        cells[i] += r.cellMv[i];
      for (size_t i = 0; i < temps.size(); ++i)
        temps[i] += r.temperatureDeciK[i] / 10.0 - 273.2;
      battery += r.batteryMv;
      pack += r.packMv;
      current += r.currentMa;
    }
    for (int i = 0; i < s.cells; ++i) {
      const auto c = static_cast<size_t>(i);
      e.cellMv = std::max(e.cellMv, std::fabs(cells[c] / n - s.cellMv[c]));
    }
    if (variant_.batteryAndPack) {
      e.batteryPct = std::max(e.batteryPct, std::fabs(battery / n - stack) / stack * 100.0);
      e.packPct = std::max(e.packPct, std::fabs(pack / n - stack) / stack * 100.0);
    }
    e.currentPct =
        std::max(e.currentPct, std::fabs(current / n - load) / kCalibrationCurrentMa * 100.0);
    for (size_t i = 0; i < temps.size(); ++i) {
      if (variant_.sensors[i])
        e.tempK = std::max(e.tempK, std::fabs(temps[i] / n - s.temperatureC[i]));
    }
  }
  // An hour the other way than the current was calibrated: 2000 mAh in or out.
  const double expected = -calibrationMa_ * kHourMs / 3600000.0;
  e.chargePct =
      std::fabs(HourOfChargeMah(-calibrationMa_) - expected) / std::fabs(expected) * 100.0;

  const sim::CalRoles& roles = gauge_->Flash().Layout().roles;
  const double scale =
      roles.ccOffsetSamples ? gauge_->Flash().Get(*roles.ccOffsetSamples) : sim::kFixedSampleScale;
  const double subtracted =
      (gauge_->Flash().Get(*roles.ccOffset) + gauge_->Flash().Get(*roles.boardOffset)) / scale;
  e.ccOffsetCounts = std::fabs(subtracted - (s.ccOffsetCounts + s.boardOffsetCounts));
  s.currentMa = 0.0;
  return e;
}

}  // namespace gaugecal::bench
