#include "cli/Recording.h"

#include "cli/ReferenceLines.h"
#include "records/RecordStore.h"

#ifndef GAUGECAL_VERSION
#define GAUGECAL_VERSION "0.0.0"
#endif

namespace gaugecal::cli {

namespace {

constexpr const char* kNothingWritten = "; nothing was written to the gauge";

}  // namespace

bool Recording::Start(CliContext& c) {
  session::RecorderSetup setup;
  setup.target = records::RecordsTarget(c.options.records);
  setup.station = c.station != nullptr && !c.station->Profile().name.empty()
                      ? c.station->Profile().name
                      : session::StationName();
  setup.operatorName = session::OperatorName(c.options.operatorName);
  setup.toolVersion = GAUGECAL_VERSION;
  setup.adapter = c.options.adapter;
  std::string error, warning;
  std::unique_ptr<records::RecordStore> store = records::OpenRecordStore(setup.target, error);
  if (store || error.empty())
    recorder_ = std::make_unique<session::RunRecorder>(std::move(store), setup);
  if (recorder_ && recorder_->LookUp(warning, error)) {
    if (!warning.empty())
      c.report.Warn(warning);
    return true;
  }
  c.report.Error(error + kNothingWritten);
  failed_ = true;
  return false;
}

bool Recording::Begin(CliContext& c, const std::string& action, panel::NBCal* panel,
                      std::optional<CalibrationAction> calibration) {
  messagesAt_ = c.report.Messages().size();
  warningsAt_ = c.report.Warnings().size();
  std::string error;
  if (recorder_ == nullptr || recorder_->Begin(action, panel, calibration, error))
    return true;
  c.report.Error(error + kNothingWritten);
  failed_ = true;
  return false;
}

void Recording::Complete(CliContext& c, const std::string& outcome, const panel::NBCal* panel,
                         const nlohmann::ordered_json& check) {
  if (recorder_ == nullptr || !recorder_->Begun())
    return;
  std::vector<std::string> messages, warnings;
  for (size_t i = messagesAt_; i < c.report.Messages().size(); ++i)
    messages.push_back(c.report.Messages()[i].text);
  for (size_t i = warningsAt_; i < c.report.Warnings().size(); ++i)
    warnings.push_back(c.report.Warnings()[i]);
  std::string error;
  if (!recorder_->Complete(outcome, panel, check, messages, warnings, error))
    c.report.Warn(error + "; the record of this run stays \"interrupted\"");
}

session::ReferenceShown Recording::Shown(CliContext& c) {
  const session::ReferenceShown lines = ReferenceLines(c);
  return [this, lines](const std::string& name, const session::MeasuredReference& measured) {
    lines(name, measured);
    if (recorder_)
      recorder_->Measured(name, measured);
  };
}

}  // namespace gaugecal::cli
