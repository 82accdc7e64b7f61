// Inputs the engine must refuse or honour whatever the page selected: the battery gain of a
// CEDV_PLUS gauge with a battery input, a configuration that averages no raw block, and a
// measurement command whose code is no 16-bit number.

#include <gtest/gtest.h>

#include "CalRig.h"
#include "device/ModuleState.h"

namespace gaugecal::test {
namespace {

using Messages = std::vector<std::string>;

// Neither voltage nor temperature selected, a battery reference of 16000 mV against 24000
// raw counts: 43690.67, stored 43691 (0xAAAB) where the family calibrates it.
TEST(BatteryGain, CedvPlusWithABatteryInputCalibratesItWhateverIsSelected) {
  struct Case {
    DfType family;
    bool batterySupported;
    bool stored;
  } cases[] = {{DfType::CEDV_PLUS, true, true},
               {DfType::CEDV_PLUS, false, false},
               {DfType::RN44K18, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(DfTypeName(c.family) + std::string(c.batterySupported ? " battery" : ""));
    sim::Scenario s = ExactScenario(c.family);
    ExactCounts(s.batteryError, 24000);
    CalConfig config = FamilyConfig(c.family);
    config.BatteryVSupported = c.batterySupported;
    CalibrationRequest request = Request(CalibrationAction::VoltageTemperature);
    request.volts.Battery = 16000.0;
    CalRig(s, config).Expect(request,
                             c.stored ? CalRig::Patches{{10, {0xAA, 0xAB}}} : CalRig::Patches{});
  }
}

// Nothing to average: the entry stops before its first transfer, and the exit finds the gauge
// out of calibration mode.
TEST(NumSamples, BelowOneFailsBeforeTheGaugeIsAskedForAnything) {
  for (int16_t samples : {int16_t{0}, int16_t{-1}}) {
    SCOPED_TRACE(samples);
    CalConfig config = FamilyConfig(DfType::RN44K18);
    config.NumSamples = samples;
    CalRig rig(ExactScenario(DfType::RN44K18), config);
    rig.ClearTrace();
    rig.Expect(VoltageRequest({3902, 7799, 11704, 15603}), {},
               {"NumSamples in config.ini is " + std::to_string(samples) +
                    ": at least one raw calibration block must be averaged.  Please correct "
                    "config.ini.",
                "Can not set to calibration mode."});
    ASSERT_FALSE(rig.Transfers().empty());
    EXPECT_EQ(rig.Transfers().front(), "MAC:F080");  // the exit is the first transfer
    EXPECT_EQ(CountSteps(rig.Transfers(), "MAC:002D"), 0);
    EXPECT_FALSE(rig.Gauge().CalibrationMode());
  }
}

// A code that is not a number or does not fit 16 bits is never sent; the pack voltage
// calibration stops with its read message and writes nothing.
TEST(MeasurementCommand, CodeThatDoesNotConvertStopsThePackCalibration) {
  for (const char* command : {"SBS,x90", "SBS,70000", "MAC,9O"}) {
    SCOPED_TRACE(command);
    CalConfig config = FamilyConfig(DfType::CEDV);
    config.PackVoltageReadCommand = command;
    CalRig rig(ExactScenario(DfType::CEDV), config);
    rig.Expect(PackRequest(11700.0), {},
               {"Error in format of read command string in function readmeasurementfromdevice.",
                "Not able to read Pack Voltage from device. Pack Voltage not calibrated."});
  }
}

}  // namespace
}  // namespace gaugecal::test
