#include "cli/GaugeSetup.h"

#include "config/DisplayTables.h"
#include "config/Settings.h"
#include "device/HostLinkOps.h"
#include "device/Identification.h"
#include "device/ModuleState.h"

namespace gaugecal::cli {

namespace {
constexpr int32_t kAfterLeavingMs = 10;
}

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

void LeaveCalibrationMode() {
  const ModuleState& m = Module();
  const DfType family = m.calConfig.DFType;
  WriteMACCommand(m.calConfig.exitCalCommand);
  SleepMs(kAfterLeavingMs);
  if ((family == DfType::RN44K18 || family == DfType::CEDV_PLUS) && m.calModeFlag) {
    WriteMACCommand(m.calConfig.calmode);
    SleepMs(kAfterLeavingMs);
  }
}

}  // namespace gaugecal::cli
