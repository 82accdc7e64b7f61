// The samples behind the live plot: numbers from the measured texts with gaps for what the gauge
// did not report, the CSV text, the ring's capacity, and the scan filling it.

#include <gtest/gtest.h>

#include "PanelRig.h"
#include "panel/ScanSamples.h"

namespace gaugecal::test {
namespace {

using panel::ScanSamples;

DeviceMeasurements Reading(const std::string& cell1, const std::string& current,
                           const std::string& internal) {
  DeviceMeasurements m;
  m.stack = {cell1, "7800", "", ""};
  m.battery = "Err_Rd";
  m.pack = "15600";
  m.current = current;
  m.temperatures = {internal, "25.0", "", "", ""};
  return m;
}

TEST(ScanSamples, CsvWithGapsAndTheOldestDroppedWhenFull) {
  ScanSamples samples(2);
  samples.Add(1000.0, Reading("3900", "-1500", "28.7"));
  samples.Add(3000.4, Reading("3,901", "0", "-4.25"));  // a thousands separator is no number
  EXPECT_EQ(samples.Csv(),
            "Time (s),Cell 1 (mV),Cells 1-2 (mV),Cells 1-3 (mV),Cells 1-4 (mV),Battery (mV),"
            "Pack (mV),Current (mA),Internal Temp (degC),TS1 Temp (degC),TS2 Temp (degC),"
            "TS3 Temp (degC),TS4 Temp (degC)\n"
            "0.000,3900,7800,,,,15600,-1500,28.7,25,,,\n"
            "2.000,,7800,,,,15600,0,-4.25,25,,,\n");
  samples.Add(4000.0, Reading("3902", "12", "30"));
  EXPECT_EQ(samples.Added(), 3U);
  ASSERT_EQ(samples.Samples().size(), 2U);
  EXPECT_EQ(samples.Csv().substr(samples.Csv().find('\n') + 1, 6), "0.000,");
  EXPECT_EQ(samples.Samples().back().values[0], 3902.0);
}

// Every scan tick adds what the measured boxes show.
TEST(ScanSamples, TheScanFillsThePlotSamples) {
  for (DfType family : {DfType::CEDV, DfType::RN44K18}) {
    SCOPED_TRACE(DfTypeName(family));
    PanelRig rig(family);
    ASSERT_EQ(rig.Start(), panel::StartupOutcome::Ready);
    const uint64_t before = rig.panel.Samples().Added();
    rig.C().chkUpdates.SetChecked(true);
    rig.panel.tmrScan_Timer();
    rig.panel.tmrScan_Timer();
    EXPECT_EQ(rig.panel.Samples().Added(), before + 2);
    const panel::ScanSample& last = rig.panel.Samples().Samples().back();
    EXPECT_EQ(last.values[0], std::stod(rig.C().txtCalMeasVoltage[0].Text()));
    EXPECT_EQ(last.values[6], std::stod(rig.C().txtMeasuredCurrent.Text()));
  }
}

}  // namespace
}  // namespace gaugecal::test
