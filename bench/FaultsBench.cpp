// Fault sweep: what a calibration leaves in the gauge when one transfer goes wrong.
//
// For each family, each calibration its panel offers, each transfer of that calibration and
// each fault kind of the simulated gauge (no answer, NACK, short block, long block, corrupt
// data flash write), the calibration runs once through the calibration panel, as `gaugecal
// calibrate` and `gaugecal demo` run it, with exactly that transfer struck. The block faults
// are swept over the calibration's block reads and the corrupt write over its block writes,
// the transfers those kinds can strike. Each outcome is checked against the clean run:
//   lost    the data flash afterwards is neither the old image nor the clean run's new one;
//   silent  the done mark came up while the data flash is not the new image;
//   calmode the gauge is still in calibration mode at the end (every fault strikes one
//           transfer, so the bus answers afterwards).
// Built-in gauges without converter noise, on the virtual-time platform: a run that takes
// other turns still measures the same counts. Backups go to a scratch folder.
//
// Last line: "faults: cases=N lost=X silent=Y calmode=Z"; exit status 0 when X = Y = Z = 0.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScratchBackups.h"
#include "device/ModuleState.h"
#include "panel/NBCal.h"
#include "panel/PanelActions.h"
#include "platform/VirtualPlatform.h"
#include "session/DemoSession.h"
#include "sim/ScenarioJson.h"
#include "sim/SimulatedGauge.h"

namespace {

using gaugecal::CalibrationAction;
using gaugecal::DfType;
using gaugecal::sim::FaultKind;

constexpr DfType kFamilies[] = {DfType::CEDV, DfType::QSPAN, DfType::RN44K18, DfType::CEDV_PLUS};
constexpr CalibrationAction kActions[] = {
    CalibrationAction::CCOffset, CalibrationAction::BoardOffset,
    CalibrationAction::VoltageTemperature, CalibrationAction::PackVoltage,
    CalibrationAction::PackCurrent};
constexpr FaultKind kKinds[] = {FaultKind::NoAnswer, FaultKind::Nack, FaultKind::ShortBlock,
                                FaultKind::LongBlock, FaultKind::CorruptWrite};
constexpr int kCorruptOffset = 5;  // inside every data flash block of every family

// Counts what passes to the gauge: every transfer, the block reads, the block writes.
class CountingLink : public gaugecal::HostLink {
 public:
  explicit CountingLink(gaugecal::HostLink& inner) : in_(inner) {}
  int32_t ReadSMBusWord(int16_t c, uint8_t& msb, uint8_t& lsb, int16_t a) override {
    ++transfers;
    return in_.ReadSMBusWord(c, msb, lsb, a);
  }
  int32_t ReadSMBusWord_(int16_t c, int16_t& w, int16_t a) override {
    ++transfers;
    return in_.ReadSMBusWord_(c, w, a);
  }
  int32_t WriteSMBusWord(int16_t c, int16_t msb, uint8_t lsb, int16_t a) override {
    ++transfers;
    return in_.WriteSMBusWord(c, msb, lsb, a);
  }
  int32_t WriteSMBusWord_(int16_t c, int16_t w, int16_t a) override {
    ++transfers;
    return in_.WriteSMBusWord_(c, w, a);
  }
  int32_t ReadSMBusBlock_(int16_t c, std::span<uint8_t> b, int16_t& n, int16_t a) override {
    ++transfers;
    ++blockReads;
    return in_.ReadSMBusBlock_(c, b, n, a);
  }
  int32_t ReadSMBusBlock(int16_t c, std::string& t, int16_t a) override {
    ++transfers;
    ++blockReads;
    return in_.ReadSMBusBlock(c, t, a);
  }
  int32_t WriteSMBusBlock(int16_t c, std::span<const uint8_t> b, int16_t n, int16_t a) override {
    ++transfers;
    ++blockWrites;
    return in_.WriteSMBusBlock(c, b, n, a);
  }
  int32_t CheckForError() override { return in_.CheckForError(); }
  int32_t Delay(int16_t ms) override { return in_.Delay(ms); }

  int transfers = 0;
  int blockReads = 0;
  int blockWrites = 0;

 private:
  gaugecal::HostLink& in_;
};

struct Counts {
  int transfers = 0;
  int blockReads = 0;
  int blockWrites = 0;
};

struct Outcome {
  bool offered = false;
  bool done = false;
  bool calMode = false;
  std::vector<uint8_t> before;
  std::vector<uint8_t> after;
  Counts atStart;  // when the technician presses the button
  Counts atEnd;
};

Counts CountsOf(const CountingLink& link) {
  return {link.transfers, link.blockReads, link.blockWrites};
}

// Start-up, one scan tick with continuous updates, then the calibration, as `calibrate` runs.
Outcome Run(DfType family, CalibrationAction action,
            const std::vector<gaugecal::sim::Fault>& faults, const std::string& backupDir) {
  gaugecal::VirtualPlatform platform;
  gaugecal::sim::Scenario scenario = gaugecal::sim::DefaultScenario(family);
  scenario.noiseCounts = 0.0;
  scenario.faults = faults;
  std::string error;
  auto gauge = gaugecal::sim::OpenGauge(scenario, platform, error);
  if (!gauge)
    throw std::runtime_error(error);
  CountingLink link(*gauge);
  gaugecal::ResetModule();
  gaugecal::ModuleState& m = gaugecal::Module();
  m.platform = &platform;
  m.appDirectory = std::string(GAUGECAL_SAMPLE_APPDIR) + "/";
  m.backupDir = backupDir;
  Outcome o;
  o.before = gauge->Flash().Bytes();
  {
    gaugecal::panel::NBCal panel;
    panel.Startup(link);
    if (panel.Outcome() != gaugecal::panel::StartupOutcome::Ready)
      throw std::runtime_error("start-up did not end ready");
    panel.Controls().chkUpdates.SetChecked(true);
    panel.tmrScan_Timer();
    o.atStart = CountsOf(link);
    const gaugecal::session::DemoStep step = gaugecal::session::RunDemoStep(panel, *gauge, action);
    o.offered = step.offered;
    o.done = step.done;
    o.atEnd = CountsOf(link);
  }
  o.after = gauge->Flash().Bytes();
  o.calMode = gauge->CalibrationMode();
  gaugecal::ResetModule();
  return o;
}

struct Tally {
  int cases = 0;
  int lost = 0;
  int silent = 0;
  int calMode = 0;
};

}  // namespace

int main() {
  const std::filesystem::path scratch = gaugecal::bench::ScratchBackupDir();
  Tally total;
  std::printf("%-10s %-20s %-13s %6s %5s %7s %8s\n", "family", "calibration", "fault", "cases",
              "lost", "silent", "calmode");
  for (DfType family : kFamilies) {
    for (CalibrationAction action : kActions) {
      std::filesystem::remove_all(scratch);
      const Outcome clean = Run(family, action, {}, scratch.string());
      if (!clean.offered)
        continue;
      if (!clean.done || clean.calMode)
        throw std::runtime_error(std::string("the clean run failed: ") +
                                 gaugecal::DfTypeName(family) + " " +
                                 gaugecal::session::ActionName(action));
      for (FaultKind kind : kKinds) {
        const bool block = kind == FaultKind::ShortBlock || kind == FaultKind::LongBlock;
        const bool write = kind == FaultKind::CorruptWrite;
        // Occurrences count the transfers a kind can strike; start-up's come first. Data flash
        // writes are counted by the gauge from the first one, and start-up makes none.
        const int first = block ? clean.atStart.blockReads : write ? 0 : clean.atStart.transfers;
        const int last = block   ? clean.atEnd.blockReads
                         : write ? clean.atEnd.blockWrites - clean.atStart.blockWrites
                                 : clean.atEnd.transfers;
        Tally t;
        for (int occurrence = first + 1; occurrence <= last; ++occurrence) {
          gaugecal::sim::Fault fault;
          fault.kind = kind;
          fault.occurrence = occurrence;
          fault.offset = kCorruptOffset;
          std::filesystem::remove_all(scratch);
          const Outcome o = Run(family, action, {fault}, scratch.string());
          const bool isNew = o.after == clean.after;
          ++t.cases;
          t.lost += !isNew && o.after != o.before;
          t.silent += o.done && !isNew;
          t.calMode += o.calMode;
          if ((!isNew && o.after != o.before) || (o.done && !isNew) || o.calMode)
            std::printf("  FOUND %s %s %s at %d: done=%d lost=%d calmode=%d\n",
                        gaugecal::DfTypeName(family), gaugecal::session::ActionName(action),
                        gaugecal::sim::FaultKindName(kind), occurrence, o.done,
                        !isNew && o.after != o.before, o.calMode);
        }
        std::printf("%-10s %-20s %-13s %6d %5d %7d %8d\n", gaugecal::DfTypeName(family),
                    gaugecal::session::ActionName(action), gaugecal::sim::FaultKindName(kind),
                    t.cases, t.lost, t.silent, t.calMode);
        total.cases += t.cases;
        total.lost += t.lost;
        total.silent += t.silent;
        total.calMode += t.calMode;
      }
    }
  }
  std::filesystem::remove_all(scratch);
  std::printf("faults: cases=%d lost=%d silent=%d calmode=%d\n", total.cases, total.lost,
              total.silent, total.calMode);
  return total.lost == 0 && total.silent == 0 && total.calMode == 0 ? 0 : 1;
}
