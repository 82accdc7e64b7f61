#pragma once
// What the commands that work on calibration data do first, as the panel's start-up does:
// check communication, build the display tables, read the identification and run the
// configuration check that fills CalConfig for the connected gauge and firmware.

#include <cstdint>

#include "cli/Cli.h"
#include "panel/NBCal.h"

namespace gaugecal::cli {

struct GaugeSetup {
  int32_t communication = 0;   // CheckCommunication
  int32_t identification = 0;  // status of the identification read
  int32_t configuration = 0;   // CheckConfiguration
  // Messages and warnings the configuration check gave: after any of them the technician was
  // told not to go on, so the commands stop there.
  int64_t configurationNotices = 0;
  bool ConfigurationPassed() const { return configuration == 0 && configurationNotices == 0; }
  bool Ok() const { return communication == 0 && identification == 0 && ConfigurationPassed(); }
};

GaugeSetup SetUpGauge(CliContext& context);

// Message boxes shown and warnings given so far in this run.
int64_t NoticesSoFar(const CliContext& context);

// After a write the gauge did not take (calibrate, restore): when the gauge reads Sealed, the
// warning that names the unseal command.
void HintIfSealed(CliContext& context);
// That warning, where the panel already found the gauge Sealed.
void HintSealed(CliContext& context);

// Starts the calibration panel on the context's link. True when start-up ended ready without a
// message box or warning (after any, the technician was told not to go on); otherwise a
// warning says so and that nothing was calibrated.
bool StartCalibrationPanel(CliContext& context, panel::NBCal& nbcal);

}  // namespace gaugecal::cli
