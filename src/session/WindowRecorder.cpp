#include "session/WindowRecorder.h"

#include "device/ModuleState.h"
#include "panel/PanelActions.h"
#include "session/ActionName.h"

namespace gaugecal::session {

namespace {

constexpr const char* kNothingWritten = "; nothing was written to the gauge";

}  // namespace

WindowRecorder::WindowRecorder(const WindowRecords& records)
    : records_(records), recorder_(records.store, records.setup) {}

void WindowRecorder::LookUp() {
  std::string warning, error;
  if (!recorder_.LookUp(warning, error))
    ShowWarning(error);
  else if (!warning.empty())
    ShowWarning(warning);
}

void WindowRecorder::Measured(const std::string& name, const MeasuredReference& measured) {
  recorder_.Measured(name, measured);
}

std::optional<std::vector<panel::CheckedQuantity>> WindowRecorder::Calibrate(
    panel::NBCal& panel, CalibrationAction action, const std::function<void()>& press) {
  if (!records_.unavailable.empty()) {
    ShowMessage(records_.unavailable + kNothingWritten);
    return std::nullopt;
  }
  const size_t messagesAt = records_.messages ? records_.messages->size() : 0;
  const size_t warningsAt = records_.warnings ? records_.warnings->size() : 0;
  std::string error;
  if (!recorder_.Begin(ActionName(action), &panel, action, error)) {
    ShowMessage(error + kNothingWritten);
    return std::nullopt;
  }
  press();
  std::vector<panel::CheckedQuantity> check;
  const bool done = panel::ControlsOf(panel, action).doneImage.Visible();
  if (done)
    check = panel::CheckCalibration(panel, action);
  bool within = true;
  for (const panel::CheckedQuantity& q : check)
    within = within && q.within;
  if (!recorder_.Complete(CalibrationOutcome(done, within, recorder_.Wrote()), &panel,
                          CheckJson(check), MessagesSince(messagesAt), WarningsSince(warningsAt),
                          error))
    ShowWarning(error + "; the record of this run stays \"interrupted\"");
  return check;
}

std::vector<std::string> WindowRecorder::MessagesSince(size_t from) const {
  std::vector<std::string> texts;
  for (size_t i = from; records_.messages && i < records_.messages->size(); ++i)
    texts.push_back((*records_.messages)[i].text);
  return texts;
}

std::vector<std::string> WindowRecorder::WarningsSince(size_t from) const {
  if (!records_.warnings || from >= records_.warnings->size())
    return {};
  return {records_.warnings->begin() + static_cast<std::ptrdiff_t>(from), records_.warnings->end()};
}

}  // namespace gaugecal::session
