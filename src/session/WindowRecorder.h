#pragma once
// The records of the calibrations clicked in a window: the gauge looked up at each start-up of
// the panel (the warning about an interrupted run of it goes to the status bar), and one record
// per click, begun before the button can write data flash and completed with the outcome and
// the check after calibration (docs/records.md).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calibration/CalibrationRun.h"
#include "panel/CalibrationCheck.h"
#include "panel/NBCal.h"
#include "session/ReferenceBench.h"
#include "session/RunRecorder.h"

namespace gaugecal::session {

class WindowRecorder {
 public:
  explicit WindowRecorder(const WindowRecords& records);

  // After the panel's start-up: the gauge's serial and manufacture date for the records, and
  // the warning about an interrupted calibration of this gauge.
  void LookUp();
  // A reference the station measured into a box, for the next calibration's record.
  void Measured(const std::string& name, const MeasuredReference& measured);
  // One calibration: its record begun, press() clicks the button, the check when the done mark
  // came up, the record completed. The check, or nothing when the record could not be begun: a
  // message said so and press() did not run.
  std::optional<std::vector<panel::CheckedQuantity>> Calibrate(panel::NBCal& panel,
                                                               CalibrationAction action,
                                                               const std::function<void()>& press);

 private:
  // The texts shown since the record began.
  std::vector<std::string> MessagesSince(size_t from) const;
  std::vector<std::string> WarningsSince(size_t from) const;

  WindowRecords records_;
  RunRecorder recorder_;
};

}  // namespace gaugecal::session
