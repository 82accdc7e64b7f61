// The current calibration from the emulated bench through the panel: the source goes on, the
// current is measured into the box and calibrated against, and the source is off afterwards
// whatever the outcome; an instrument that goes away stops the calibration with its name and
// nothing is written to the gauge after it.

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "PanelRig.h"
#include "panel/PanelActions.h"
#include "session/BenchCalibration.h"
#include "session/Station.h"

namespace gaugecal::test {
namespace {

// The block writes of the panel's start-up: a fault after them hits the calibration.
int StartupBlockWrites() {
  PanelRig rig(Quiet(DfType::RN44K18));
  rig.Start();
  int writes = 0;
  const std::string steps = rig.Steps();
  for (size_t at = steps.find("WB:"); at != std::string::npos; at = steps.find("WB:", at + 1))
    ++writes;
  return writes;
}

TEST(BenchCalibration, TheSourceIsOffAfterEveryOutcome) {
  const std::string calibrationWrites = "nack WB #" + std::to_string(StartupBlockWrites() + 1);
  struct Row {
    std::string what;
    std::string faults;
    std::string typed;  // a current typed in the box: not measured
    bool unplugPackMeter;
    bool stop;  // Ctrl-C as the source settles
    bool done;
    std::string error;  // its beginning
  };
  const std::vector<Row> rows = {
      {"success", "", "", false, false, true, ""},
      {"refusal: the typed current does not fit the gauge's reading", "", "500", false, false,
       false, ""},
      {"gauge fault: a block write not acknowledged", calibrationWrites, "", false, false, false,
       ""},
      {"the pack meter unplugged mid-run", "", "", true, false, false,
       "instrument dmm-pack cannot measure current: generic/unspecified error"},
      {"stopped from outside", "", "", false, true, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    PanelRig rig(Quiet(DfType::RN44K18, row.faults));
    ASSERT_EQ(rig.Start(), panel::StartupOutcome::Ready);
    std::string error;
    const auto station = session::Station::OpenEmulated(rig.Gauge(), error);
    ASSERT_NE(station, nullptr) << error;
    session::TraceStation(*station, rig.platform);
    rig.C().chkUpdates.SetChecked(true);
    panel::ClearReferenceBoxes(rig.C());
    rig.C().txtActualCurrent.SetText(row.typed);
    rig.panel.SetPlausibilityQuestion([](const auto&) { return false; });
    if (row.unplugPackMeter)
      station->Emulation()->Servers().at(station->Instruments().size() - 4)->SetUnplugged(true);
    if (row.stop)
      rig.platform.pollStop = [] { return SIGINT; };
    rig.ClearTrace();
    std::vector<std::string> shown;
    const session::BenchOutcome outcome = session::CalibrateFromBench(
        *station, rig.panel, CalibrationAction::PackCurrent,
        [&shown](const std::string& name, const session::MeasuredReference& m) {
          shown.push_back(name + " = " + m.text + " " + m.unit);
        },
        [&rig] { return panel::Press(rig.panel, CalibrationAction::PackCurrent); });
    EXPECT_EQ(outcome.done &&
                  panel::ControlsOf(rig.panel, CalibrationAction::PackCurrent).doneImage.Visible(),
              row.done)
        << outcome.error;
    EXPECT_EQ(outcome.error.substr(0, row.error.size()), row.error);
    EXPECT_FALSE(station->SourceIsOn());
    EXPECT_FALSE(station->Emulation()->Supply().Channel(3).on) << "the supply's output";
    EXPECT_EQ(rig.Gauge().Settings().currentMa, 0.0) << "no current through the pack";
    if (row.typed.empty() && !row.unplugPackMeter && !row.stop) {
      EXPECT_EQ(shown, std::vector<std::string>{"Current = 2000.0 mA"});
    }
    // The trace: the source on before any measurement, off as the last source change; after an
    // instrument failure no block written to the gauge.
    std::vector<std::string> ops;
    for (const auto& e : rig.Trace()) {
      if (e["op"] == "Source")
        ops.push_back("Source " + e["setting"].get<std::string>() + "=" +
                      std::to_string(e["value"].get<double>()).substr(0, 3));
    }
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops.back(), "Source output=0.0");
    if (row.unplugPackMeter || row.stop) {
      EXPECT_EQ(rig.Steps().find("WB:"), std::string::npos) << "a block written";
    }
  }
}

}  // namespace
}  // namespace gaugecal::test
