#include "cli/GaugeSetup.h"

#include "config/DisplayTables.h"
#include "config/Settings.h"
#include "device/HostLinkOps.h"
#include "device/Identification.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"
#include "platform/Platform.h"
#include "security/Authk18.h"

namespace gaugecal::cli {

GaugeSetup SetUpGauge(CliContext& context) {
  ModuleState& m = Module();
  m.appDirectory = context.appDir;
  GaugeSetup setup;
  setup.communication = CheckCommunication();
  InitDisplayTables();
  ReadDeviceIdentification(m.SmbAddress, setup.identification);
  const int64_t before = NoticesSoFar(context);
  setup.configuration = CheckConfiguration();
  setup.configurationNotices = NoticesSoFar(context) - before;
  return setup;
}

int64_t NoticesSoFar(const CliContext& context) {
  return context.platform.MessageBoxCount() + context.platform.WarningCount();
}

void HintSealed(CliContext& context) {
  context.report.Warn("the gauge is Sealed; unseal it first: gaugecal unseal");
}

void HintIfSealed(CliContext& context) {
  int16_t mode = 0;
  if (ReadSecurityMode(mode) == 0 && mode == security::kModeSealed)
    HintSealed(context);
}

bool StartCalibrationPanel(CliContext& context, panel::NBCal& nbcal) {
  Module().appDirectory = context.appDir;
  const int64_t before = NoticesSoFar(context);
  nbcal.Startup(*context.link);
  if (nbcal.Outcome() != panel::StartupOutcome::Ready) {
    // The panel's own message asks for a restart of a window; on the command line the next
    // step is the unseal command.
    if (nbcal.Outcome() == panel::StartupOutcome::Sealed)
      HintSealed(context);
    context.report.Warn("the panel's start-up did not end ready; nothing was calibrated.");
    return false;
  }
  if (NoticesSoFar(context) != before) {
    context.report.Warn("the panel's start-up gave messages or warnings; nothing was calibrated.");
    return false;
  }
  return true;
}

}  // namespace gaugecal::cli
