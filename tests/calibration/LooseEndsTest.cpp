// Loose ends of the engine, end to end through the simulated gauge.

#include <gtest/gtest.h>

#include <cmath>

#include "CalRig.h"
#include "calibration/DeviceMeasurements.h"
#include "device/ModuleState.h"

namespace gaugecal::test {
namespace {

using Msgs = std::vector<std::string>;

// A successful coulomb counter offset calibration, then a board offset calibration whose first
// row read at entry is refused: leaving must not toggle the gauge back into calibration mode.
// With a page (the hook), CEDV_PLUS reads a raw block at exit, which needs the mode.
TEST(CalModeFlag, FailedEntryAfterASuccessLeavesTheGaugeOutOfTheMode) {
  for (DfType family : {DfType::RN44K18, DfType::CEDV_PLUS}) {
    for (bool page : {false, true}) {
      SCOPED_TRACE(std::string(DfTypeName(family)) + (page ? " page" : ""));
      SessionHooks hooks;
      if (page)
        hooks.measurementsRead = [](const DeviceMeasurements&) {};
      const auto run = [&hooks](CalibrationAction action) {
        CalibrationRequest request = Request(action);
        return RunCalibration(request, hooks);
      };
      sim::Scenario s = ExactScenario(family);
      CalRig clean(s);
      ASSERT_EQ(run(CalibrationAction::CCOffset), 0);
      const auto reads = static_cast<int>(CountSteps(clean.Transfers(), "RB:2F"));
      s.faults.push_back({.member = "ReadSMBusBlock_", .command = 0x2F, .occurrence = reads + 1});
      CalRig rig(s);
      ASSERT_EQ(run(CalibrationAction::CCOffset), 0);
      const auto area = rig.CalArea();
      EXPECT_EQ(run(CalibrationAction::BoardOffset), 1);
      EXPECT_EQ(rig.Messages(), (Msgs{"Error reading calibration Dataflash.  Please check "
                                      "communications. Calibration not completed.",
                                      "Error entering calibration mode.  Please check "
                                      "communications with device."}));
      EXPECT_FALSE(rig.Gauge().CalibrationMode() || Module().calModeFlag);
      EXPECT_EQ(rig.CalArea(), area);
    }
  }
}

// Nothing selected, battery 16000 mV against 24000 raw counts: 43691 (0xAAAB) where computed.
TEST(BatteryGain, CedvPlusWithABatteryInputComputesItWhateverIsSelected) {
  for (auto [family, supported, stored] :
       {std::tuple{DfType::CEDV_PLUS, true, true}, std::tuple{DfType::CEDV_PLUS, false, false},
        std::tuple{DfType::RN44K18, true, false}}) {
    sim::Scenario s = ExactScenario(family);
    ExactCounts(s.batteryError, 24000);
    CalConfig config = FamilyConfig(family);
    config.BatteryVSupported = supported;
    CalibrationRequest request = Request(CalibrationAction::VoltageTemperature);
    request.volts.Battery = 16000.0;
    CalRig(s, config).Expect(request,
                             stored ? CalRig::Patches{{10, {0xAA, 0xAB}}} : CalRig::Patches{});
  }
}

// Nothing averaged or a code that does not convert: refused before the gauge, nothing written.
TEST(EngineInputs, NoSamplesAndUnconvertibleCommandsFailBeforeTheGauge) {
  for (int16_t samples : {int16_t{0}, int16_t{-1}}) {
    CalConfig config = FamilyConfig(DfType::RN44K18);
    config.NumSamples = samples;
    CalRig rig(ExactScenario(DfType::RN44K18), config);
    rig.ClearTrace();
    rig.Expect(VoltageRequest({3902, 7799}), {},
               {"NumSamples in config.ini is " + std::to_string(samples) +
                    ": at least one raw calibration block must be averaged.  Please correct "
                    "config.ini.",
                "Can not set to calibration mode."});
    EXPECT_EQ(rig.Transfers().at(0), "MAC:F080");  // the exit is the first transfer
    EXPECT_FALSE(rig.Gauge().CalibrationMode());
  }
  for (const char* command : {"SBS,x90", "SBS,70000", "MAC,9O"}) {
    CalConfig config = FamilyConfig(DfType::CEDV);
    config.PackVoltageReadCommand = command;
    CalRig(ExactScenario(DfType::CEDV), config)
        .Expect(PackRequest(11700.0), {},
                {"Error in format of read command string in function readmeasurementfromdevice.",
                 "Not able to read Pack Voltage from device. Pack Voltage not calibrated."});
  }
}

// An hour at +-1.5 A counts (0x0F) what the derived capacity gain says; 3 % off before.
TEST(CapacityGain, ChargeAfterACurrentCalibrationIsCurrentTimesTime) {
  for (DfType family : {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS}) {
    SCOPED_TRACE(DfTypeName(family));
    sim::Scenario s = ExactScenario(family);
    s.senseResistorMilliohm *= 1.03;
    CalRig rig(s);
    const auto hourAt = [&rig](double ma) {
      rig.Gauge().Settings().currentMa = ma;
      const double start = rig.Word(0x0F);
      rig.platform.PassTime(3600000.0);
      return rig.Word(0x0F) - start;
    };
    EXPECT_GT(std::fabs(hourAt(1500.0) - 1500.0), 30.0);
    for (CalibrationAction action : {CalibrationAction::CCOffset, CalibrationAction::BoardOffset,
                                     CalibrationAction::PackCurrent})
      ASSERT_EQ(rig.Run(rig.ReferenceRequest(action)), 0);
    EXPECT_NEAR(hourAt(1500.0), 1500.0, 1.5);
    EXPECT_NEAR(hourAt(-1500.0), -1500.0, 1.5);
  }
}

}  // namespace
}  // namespace gaugecal::test
