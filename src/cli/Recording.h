#pragma once
// The records of the commands that write calibration data (calibrate, demo, restore): the
// store of --records opened, the gauge looked up before anything else, one record per action
// begun before its first data flash write and completed at its end. A store that cannot be
// opened, read or written stops the run before anything is written, with its error naming it.

#include <cstddef>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/Cli.h"
#include "session/BenchCalibration.h"
#include "session/RunRecorder.h"

namespace gaugecal::panel {
class NBCal;
}

namespace gaugecal::cli {

class Recording {
 public:
  // Opens the store and looks the gauge up (the warning about an interrupted run of it comes
  // first); false with the error reported.
  bool Start(CliContext& c);
  // False with the error reported: the action must not write anything.
  bool Begin(CliContext& c, const std::string& action, panel::NBCal* panel,
             std::optional<CalibrationAction> calibration);
  void Complete(CliContext& c, const std::string& outcome, const panel::NBCal* panel,
                const nlohmann::ordered_json& check = nlohmann::ordered_json::array());
  // The station's measurement lines, each measurement also noted for the record.
  session::ReferenceShown Shown(CliContext& c);
  // The action begun last saved a backup, so it wrote or tried to write data flash.
  bool Wrote() const { return recorder_ && recorder_->Wrote(); }
  // A store is in use (not --records none).
  bool Active() const { return recorder_ && recorder_->Active(); }
  // Begin or Start failed: the run stops.
  bool Failed() const { return failed_; }

 private:
  std::unique_ptr<session::RunRecorder> recorder_;
  size_t messagesAt_ = 0;
  size_t warningsAt_ = 0;
  bool failed_ = false;
};

}  // namespace gaugecal::cli
