#include "cli/GaugeSetup.h"

#include "config/DisplayTables.h"
#include "config/Settings.h"
#include "device/HostLinkOps.h"
#include "device/Identification.h"
#include "device/ModuleState.h"

namespace gaugecal::cli {

GaugeSetup SetUpGauge(CliContext& context) {
  ModuleState& m = Module();
  m.appDirectory = context.appDir;
  GaugeSetup setup;
  setup.communication = CheckCommunication();
  InitDisplayTables();
  ReadDeviceIdentification(m.SmbAddress, setup.identification);
  setup.configuration = CheckConfiguration();
  return setup;
}

}  // namespace gaugecal::cli
