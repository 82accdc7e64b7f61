// Voltage and temperature calibration through the simulated gauge: the stored bytes, the range
// limits, the checks that run before anything is written, and the unchecked-sensor marker.

#include <gtest/gtest.h>

#include "CalRig.h"
#include "device/ModuleState.h"

namespace gaugecal::test {
namespace {

constexpr const char* kFailed = "Voltage/Temperture Calibration Failed! ";

sim::Scenario WithRawCells(DfType family, std::vector<double> counts) {
  sim::Scenario s = ExactScenario(family);
  for (size_t i = 0; i < counts.size(); ++i)
    ExactCounts(s.cellError[i], counts[i]);
  return s;
}

// Cell 2 uses the sum of the raw counts below it; with two cells, cells 3 and 4 are left
// alone whatever they hold.
TEST(VoltageCalibration, CellTwoUsesTheRawSumAndTwoCellsLeaveTheRestAlone) {
  auto request = VoltageRequest({4000, 8000});
  request.volts.Cell3 = 32000;  // would be far out of range if it were looked at
  request.volts.Cell4 = -5;
  ASSERT_EQ(request.volts.CellCount, 2);
  // 4000 / 25000 and 8000 / 50000, times 65536: 10485.76, stored 10486 = 0x28F6.
  CalRig(WithRawCells(DfType::RN44K18, {25000, 25000, 1, 1}))
      .Expect(request, {{0, {0x28, 0xF6}}, {2, {0x28, 0xF6}}});
}

// Each family writes its own cell scale rows: CEDV "Alt Cell n Scale" [21..], QSPAN "VCell n
// Scale Factor" [8..], the row families "Cell Scale n" [0..].
TEST(VoltageCalibration, EachFamilyWritesItsOwnCellScaleRows) {
  struct Case {
    DfType family;
    size_t first;
  } cases[] = {{DfType::CEDV, 21}, {DfType::QSPAN, 8}, {DfType::CEDV_PLUS, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(DfTypeName(c.family));
    // 4000 / 12800 x 65536 = 20480 (0x5000) for every stack row.
    CalRig(WithRawCells(c.family, {12800, 12800, 12800, 12800}))
        .Expect(
            VoltageRequest({4000, 8000, 12000}),
            {{c.first, {0x50, 0x00}}, {c.first + 2, {0x50, 0x00}}, {c.first + 4, {0x50, 0x00}}});
  }
}

TEST(VoltageCalibration, ScaleAboveSixteenBitsIsRefusedAndNothingIsWritten) {
  // Cell 2: 8000 / (4000 + 4000) x 65536 = 65536. (With 16-bit stack entries 65535 itself
  // cannot come out of a cell row; the battery gain below covers it.)
  CalRig(WithRawCells(DfType::RN44K18, {4000, 4000, 4000, 4000}))
      .Expect(VoltageRequest({2000, 8000, 12000, 16000}), {},
              {"Correction for Cell Voltage 2 is beyond allowed range. Calibration not performed.",
               kFailed});
}

TEST(VoltageCalibration, BatteryGainStoresUpTo65535AndRefusesAbove) {
  struct Case {
    double battery, raw;
    std::vector<uint8_t> stored;  // bytes at 10; empty: refused
  } cases[] = {
      {65534.0, 65535, {0xFF, 0xFF}},  // 65534.99998 -> 65535
      {65535.0, 65535, {}},            // exactly 65536
      {16000.4, 24000, {0xAA, 0xAB}},  // 16000: 43690.67
      {0.0, 24000, {0xAC, 0x44}},      // no entry: stays 44100
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.battery);
    sim::Scenario s = WithRawCells(DfType::RN44K18, {12800, 12800, 12800, 12800});
    ExactCounts(s.batteryError, c.raw);
    CalRig(s).Expect(VoltageRequest({4000, 8000, 12000, 16000}, c.battery),
                     {{0, {0x50, 0x00}},
                      {2, {0x50, 0x00}},
                      {4, {0x50, 0x00}},
                      {6, {0x50, 0x00}},
                      {10, c.stored}},
                     c.stored.empty()
                         ? std::vector<std::string>{"Battery Voltage Correction is beyond allowed "
                                                    "value. Calibration not performed.",
                                                    kFailed}
                         : std::vector<std::string>{});
  }
}

TEST(TemperatureCalibration, RowFamilyCorrectsTheLiveReading) {
  sim::Scenario s = ExactScenario(DfType::RN44K18);
  s.temperatureC[1] = 23.5;                   // raw 235.0 tenths above 0 degC
  s.parameters = {{"Ext 1 Temp Offset", 5}};  // the gauge reports 24.0 with it
  // (25.0 - 24.0) x 10 + 5 = 15. The entered reading (99.0) is not what RN44K18 uses.
  CalRig(s).Expect(TemperatureRequest(1, 25.0, 99.0), {{27, {0x0F}}});
}

// CEDV_PLUS computes TS1 against the reading the technician saw; the present offset is 0.
TEST(TemperatureCalibration, EnteredReadingStoresTheSignedByteOrRefuses) {
  const std::vector<std::string> refused = {
      "Temperature Correction beyond allowed range for External Temperature Sensor 1.  Allowed "
      "range approximately plus or minus 12.7 deg K from default value. No calibration data "
      "written.",
      kFailed};
  struct Case {
    double actual, measured;
    std::vector<uint8_t> stored;  // empty: refused
  } cases[] = {
      {20.0, 25.0, {0xCE}},  // -50
      {25.0, 12.3, {0x7F}},  // 127
      {12.2, 25.0, {0x80}},  // -128
      {25.0, 12.25, {}},     // 127.5 -> 128
      {-299.9, 25.0, {}},    // not the marker
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.actual);
    CalRig(ExactScenario(DfType::CEDV_PLUS))
        .Expect(TemperatureRequest(1, c.actual, c.measured), {{27, c.stored}},
                c.stored.empty() ? refused : std::vector<std::string>{});
  }
}

TEST(TemperatureCalibration, MarkerLeavesEverySensorUntouched) {
  auto request = Request(CalibrationAction::VoltageTemperature);
  request.temperatureSelected = true;  // all five actual values are -300.0
  CalRig(ExactScenario(DfType::RN44K18)).Expect(request, {});
}

// Sensors a layout does not calibrate change nothing and say nothing; the ones it does land
// in their own byte.
TEST(TemperatureCalibration, OwnListsCalibrateOnlyTheirSensors) {
  struct Case {
    DfType family;
    int sensor;
    int byte;  // -1: untouched
  } cases[] = {{DfType::CEDV, 0, -1},  {DfType::CEDV, 1, 12},  {DfType::CEDV, 2, 13},
               {DfType::CEDV, 3, -1},  {DfType::CEDV, 4, -1},  {DfType::QSPAN, 0, -1},
               {DfType::QSPAN, 3, 26}, {DfType::QSPAN, 4, 27}, {DfType::CEDV_PLUS, 4, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(DfTypeName(c.family)) + " sensor " + std::to_string(c.sensor));
    CalRig(ExactScenario(c.family))
        .Expect(TemperatureRequest(c.sensor, 26.0, 25.0),
                c.byte < 0 ? CalRig::Patches{}
                           : CalRig::Patches{{static_cast<size_t>(c.byte), {0x0A}}});
  }
}

TEST(VoltageTemperatureChecks, RawZeroStopsEvenATemperatureOnlyCalibration) {
  CalRig(WithRawCells(DfType::RN44K18, {0, 12800, 12800, 12800}))
      .Expect(TemperatureRequest(1, 26.0, 25.0), {},
              {"Raw calibration value of zero in voltage rows.", kFailed});
}

TEST(VoltageTemperatureChecks, CedvSbsTemperatureFailureStopsAVoltageOnlyCalibration) {
  sim::Scenario s = WithRawCells(DfType::CEDV, {12800, 12800, 12800});
  s.faults.push_back(
      {.kind = sim::FaultKind::Nack, .member = "ReadSMBusWord", .command = 0x08, .occurrence = 0});
  CalRig(s).Expect(VoltageRequest({4000, 8000, 12000}), {},
                   {"Unable to read current SBS Temperature from device. "
                    "Temperature calibration not completed. Please retry.",
                    kFailed});
}

// Faults that no range check names (a raw battery count of 0, a target row whose position
// lies outside the buffer) end with the general message, before anything is written.
TEST(VoltageTemperatureChecks, OtherFaultsShowTheGeneralMessage) {
  constexpr const char* kGeneral =
      "Error during Voltage and Temperature Calibration. Calibration not performed.";
  sim::Scenario zeroBattery = WithRawCells(DfType::RN44K18, {12800, 12800, 12800, 12800});
  ExactCounts(zeroBattery.batteryError, 0);
  CalRig(zeroBattery)
      .Expect(VoltageRequest({4000, 8000, 12000, 16000}, 16000), {}, {kGeneral, kFailed});

  CalRig row(ExactScenario(DfType::QSPAN));
  Module().CalTable[kCalGroupQspan].items[10].position = "256";  // "Ext 1 Temp Offset"
  row.Expect(TemperatureRequest(1, 26.0, 25.0), {}, {kGeneral, kFailed});
}

TEST(VoltageTemperatureChecks, FailedWriteVerificationIsReported) {
  sim::Scenario s = WithRawCells(DfType::QSPAN, {12800, 12800, 12800, 12800});
  s.faults.push_back({.kind = sim::FaultKind::CorruptWrite, .occurrence = 1, .offset = 9});
  CalRig rig(s);
  const std::vector<uint8_t> before = rig.CalArea();
  EXPECT_EQ(rig.Run(VoltageRequest({4000, 8000, 12000, 16000})), 1);
  const auto messages = rig.Messages();
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(messages[messages.size() - 3],
            "Unable to write new calibration values to Dataflash. Ensure device is not sealed. "
            "Please repeat this calibration.");
  EXPECT_EQ(messages[messages.size() - 2], kFailed);
  // The corrupted image is rolled back; that outcome comes after the calibration's messages.
  EXPECT_EQ(messages.back(),
            "The failed write had changed the calibration Dataflash. Its previous contents were "
            "written back and verified.");
  EXPECT_EQ(rig.CalArea(), before);
}

}  // namespace
}  // namespace gaugecal::test
