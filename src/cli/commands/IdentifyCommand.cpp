// identify: reads the gauge's identification and checks that it answers.

#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "device/HostLinkOps.h"
#include "device/Identification.h"
#include "device/ModuleState.h"

namespace gaugecal::cli {

namespace {

// The warnings on stderr say more; this names which step failed.
const char* FailureText(int32_t communication, int32_t readStatus) {
  if (communication != 0 && readStatus != 0)
    return "no answer from the gauge";
  return communication != 0 ? "communication check failed" : "identification failed";
}

int RunIdentify(CliContext& c) {
  const int32_t communication = CheckCommunication();
  int32_t readStatus = 0;
  ReadDeviceIdentification(Module().SmbAddress, readStatus);
  const ModuleState& m = Module();
  const bool ok = communication == 0 && readStatus == 0 && !m.IdDevice.empty();
  if (c.options.json) {
    nlohmann::ordered_json j;
    j["IdDevice"] = m.IdDevice;
    j["IdFirmware"] = m.IdFirmware;
    j["IdBuild"] = m.IdBuild;
    j["IdExtra"] = m.IdExtra;
    j["communication"] = communication;
    j["status"] = readStatus;
    c.report.Result(std::move(j));
  } else {
    c.out << "IdDevice:   " << m.IdDevice << "\n"
          << "IdFirmware: " << m.IdFirmware << "\n"
          << "IdBuild:    " << m.IdBuild << "\n"
          << "IdExtra:    " << m.IdExtra << "\n"
          << "Status:     " << (ok ? "ok" : FailureText(communication, readStatus)) << "\n";
  }
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

void AddIdentifyCommand(CommandSet& commands) {
  commands.Add("identify", "read the gauge's identification and check communication", RunIdentify);
}

}  // namespace gaugecal::cli
