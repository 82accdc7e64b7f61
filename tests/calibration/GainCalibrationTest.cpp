// Pack voltage and current calibration through the simulated gauge: stored gain bytes, the
// raw-count and range limits, the float encoding of both current gains, and what CEDV and QSPAN
// derive from the pack voltage they report.

#include <gtest/gtest.h>

#include "CalRig.h"
#include "calibration/CalibrationSession.h"
#include "device/ModuleState.h"

namespace gaugecal::test {
namespace {

constexpr const char* kPackRange =
    "Pack voltage correction is beyond allowed range.  Calibration not completed.";
constexpr const char* kRawLow =
    "Pack Gain raw calibration value is low.  Pack Calibration not performed. Please try again.";

sim::Scenario WithRawPack(DfType family, double counts) {
  sim::Scenario s = ExactScenario(family);
  ExactCounts(s.packError, counts);
  return s;
}

TEST(PackVoltageCalibration, StoresActualOverRawCountTimes65536WithinItsLimits) {
  struct Case {
    double actual, raw;
    std::vector<uint8_t> stored;  // empty: refused with the message
    const char* message;
  } cases[] = {
      {16000, 25600, {0xA0, 0x00}, nullptr},  // 40960
      {16000, 15000, {}, kPackRange},         // 69905
      {65534, 65535, {0xFF, 0xFF}, nullptr},  // 65534.99998
      {16000, 16000, {}, kPackRange},         // 65536
      {50, 51, {0xFA, 0xFB}, nullptr},        // 64251
      {50, 50, {}, kRawLow},                  // raw too low
      {0.1, 25600, {}, kPackRange},           // a gain of 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raw);
    CalRig rig(WithRawPack(DfType::RN44K18, c.raw));
    rig.Expect(PackRequest(c.actual), {{8, c.stored}},
               c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
  }
}

TEST(PackVoltageCalibration, RowFamilyWithoutAMeasurementReadSendsNone) {
  CalRig rig(WithRawPack(DfType::RN44K18, 25600));
  Module().calConfig.PackVoltageReadCommand = "SBS,90";  // configured, but RN44K18 ignores it
  ASSERT_EQ(EnterCalibrationMode(kNormalRawOutput), 0);
  const size_t start = rig.Trace().size();
  ASSERT_EQ(CalibratePackVoltage(16000, 16000), 0);
  const auto trace = rig.Trace();
  for (size_t i = start; i < trace.size(); ++i)
    EXPECT_FALSE(trace[i]["op"] == "ReadSMBusWord" && trace[i]["cmd"] == 0x5A) << trace[i];
}

// CEDV and QSPAN rescale the stored gain by actual over the voltage they report with it.
TEST(PackVoltageCalibration, OwnListsRescaleThePresentGain) {
  struct Case {
    DfType family;
    double actual;
    size_t byte;
    std::vector<uint8_t> stored;
  } cases[] = {
      // 4000 counts x 22050 / 65536: reports 1346 mV; 22050 x 1400 / 1346 = 22934.6.
      {DfType::CEDV, 1400, 19, {0x59, 0x97}},
      // 4000 counts x 20000 / 65536: reports 1221 mV; 20000 x 1300 / 1221 = 21294.0.
      {DfType::QSPAN, 1300, 17, {0x53, 0x2E}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(DfTypeName(c.family));
    CalRig rig(WithRawPack(c.family, 4000));
    rig.Expect(PackRequest(c.actual), {{c.byte, c.stored}});
    EXPECT_NEAR(rig.Gauge().ReportedNow().packMv, c.actual, 0.5);
  }
}

TEST(PackVoltageCalibration, OwnListsRefuseWhatGivesNoGain) {
  struct Case {
    const char* what;
    sim::Scenario scenario;
    bool map;
    const char* message;
  };
  sim::Scenario zeroGain = WithRawPack(DfType::QSPAN, 4000);
  zeroGain.parameters = {{"AFE Pack Gain", 0}};
  sim::Scenario tooLarge = WithRawPack(DfType::QSPAN, 4000);
  tooLarge.parameters = {{"AFE Pack Gain", 30000}};  // 1831 mV reported; signed limit 32767
  sim::Scenario unread = WithRawPack(DfType::CEDV, 4000);
  unread.faults.push_back(
      {.kind = sim::FaultKind::Nack, .member = "ReadSMBusWord", .command = 0x5A, .occurrence = 0});
  const Case cases[] = {
      {"present gain 0", zeroGain, false,
       "The pack gain stored in Dataflash is not a positive value, so no corrected gain can be "
       "derived from it.  Pack Calibration not performed."},
      {"beyond the signed range", tooLarge, false, kPackRange},
      {"no pack voltage", unread, false,
       "Not able to read Pack Voltage from device. Pack Voltage not calibrated."},
      {"data flash map", WithRawPack(DfType::CEDV, 4000), true,
       "The Dataflash map gives no location for the pack gain of this device.  Pack Calibration "
       "not performed."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CalConfig config = FamilyConfig(c.scenario.family);
    config.UseDataflashMap = c.map;
    CalRig(c.scenario, config).Expect(PackRequest(2400), {}, {c.message});
  }
}

// 506 counts with gain 7.5 report round(506 x 7.5 / 1.9072) = 1990 mA.
sim::Scenario CurrentScenario(DfType family, double counts, double gain) {
  sim::Scenario s = ExactScenario(family);
  s.ccOffsetCounts = counts;
  s.boardOffsetCounts = 0;
  s.currentMa = 0;
  const bool rows = family == DfType::RN44K18 || family == DfType::CEDV_PLUS;
  s.parameters = {{rows ? "CC Gain" : "Sense Resistor Gain", gain},
                  {rows ? "Current Offset" : "CC Offset", 0}};
  return s;
}

TEST(CurrentCalibration, BothGainsAreStoredAsGaugeFloats) {
  struct Case {
    DfType family;
    const char* actual;
    size_t gainByte, capacityByte;
    std::vector<uint8_t> gain, capacity;
  } cases[] = {
      // 2000 x 7.5 / 1990 = 7.5376884; times 298261.632 = 2248203.26.
      {DfType::RN44K18, "2000", 12, 16, {0x83, 0x71, 0x34, 0xBE}, {0x96, 0x09, 0x38, 0x2D}},
      // Typed with the opposite sign of the reading: a negative gain, written as such.
      {DfType::RN44K18, "-2000", 12, 16, {0x83, 0xF1, 0x34, 0xBE}, {0x96, 0x89, 0x38, 0x2D}},
      {DfType::CEDV, "2000", 0, 4, {0x83, 0x71, 0x34, 0xBE}, {0x96, 0x09, 0x38, 0x2D}},
      {DfType::QSPAN, "2000", 0, 4, {0x83, 0x71, 0x34, 0xBE}, {0x96, 0x09, 0x38, 0x2D}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(DfTypeName(c.family)) + " " + c.actual);
    CalRig rig(CurrentScenario(c.family, 506, 7.5));
    ASSERT_EQ(rig.Gauge().ReportedNow().currentMa, 1990);
    rig.Expect(CurrentRequest(c.actual), {{c.gainByte, c.gain}, {c.capacityByte, c.capacity}});
  }
}

TEST(CurrentCalibration, OneMilliampereIsEnoughAndRefusalsWriteNothing) {
  // A gain of 1.9072 reports one milliampere a count.
  CalRig one(CurrentScenario(DfType::RN44K18, 1, 1.9072));
  ASSERT_EQ(one.Gauge().ReportedNow().currentMa, 1);
  EXPECT_EQ(one.Run(CurrentRequest("2")), 0);
  EXPECT_NEAR(one.Param("CC Gain"), 3.8144, 1e-5);

  sim::Scenario unread = CurrentScenario(DfType::CEDV_PLUS, 506, 7.5);
  unread.faults.push_back(
      {.kind = sim::FaultKind::Nack, .member = "ReadSMBusWord", .command = 0x0A, .occurrence = 0});
  struct Case {
    sim::Scenario scenario;
    const char* actual;
    std::string message;
  } cases[] = {
      {CurrentScenario(DfType::RN44K18, 0, 1.9072), "2",
       "Please source or sink current. Measured current is low."},
      {unread, "2000",
       "Unable to read current attempting current calibration. Current calibration was not "
       "performed."},
      {CurrentScenario(DfType::CEDV_PLUS, 506, 7.5), "2,000",
       "Actual current \"2,000\" is not a number.  Current calibration was not performed."},
      {CurrentScenario(DfType::CEDV_PLUS, 506, 7.5), "",
       "Actual current \"\" is not a number.  Current calibration was not performed."},
      {CurrentScenario(DfType::CEDV_PLUS, 506, 7.5), "0",
       "The new sense resistor gain of 0.000 cannot be stored in the gauge's floating-point "
       "format.  Current calibration was not performed."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.actual);
    CalRig(c.scenario).Expect(CurrentRequest(c.actual), {}, {c.message});
  }
}

}  // namespace
}  // namespace gaugecal::test
