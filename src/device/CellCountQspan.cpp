// Cell count of the subclass-addressed gauges: bits 1..0 of the high byte of "Operation Cfg A"
// in the configuration subclass, found through the data flash description.

#include <algorithm>
#include <array>
#include <string>

#include "config/DataFlashMap.h"
#include "device/CellCount.h"
#include "device/DataFlash.h"
#include "device/HostLink.h"
#include "device/HostLinkOps.h"
#include "device/ModuleState.h"
#include "device/SettleTimes.h"
#include "dfdesc/DfReader.h"

namespace gaugecal {

namespace {

constexpr size_t kConfigBlockSize = 513;

// The subclass number and offset of "Operation Cfg A"; false after a message.
bool LocateOperationCfgA(DfLocation& where) {
  InitCfgReader();
  if (dfdesc::LoadCfgFile(Module().DataFlashFilePath.c_str()) != 0) {
    ShowMessage(
        "Can not open Dataflash configuration file attempting to read number of configured "
        "cells. Please reinstall Morvane.");
    return false;
  }
  std::string value;
  std::string defaultValue;
  std::string dataType;
  // Quiet: the failure below is the one message the technician needs.
  const int32_t found =
      FindDfParameter("Configuration", "Registers", "Operation Cfg A", where.subclassNumber,
                      where.offset, value, defaultValue, dataType, true);
  dfdesc::UnloadCfgFile();
  if (found == kDfParameterNotFound) {
    ShowMessage(
        "Unable to obtain Subclass and Offset for parameter Operation Cfg A from Dataflash. "
        "Please check communication with device.");
    return false;
  }
  return true;
}

}  // namespace

int32_t ReadCellCountQspan(int16_t& cells) {
  DfLocation where;
  if (!LocateOperationCfgA(where))
    return 1;

  ModuleState& m = Module();
  HostLink& link = *m.hostLink;
  ClearHostErrors();
  const auto subclass = static_cast<uint8_t>(where.subclassNumber);
  if (link.WriteSMBusWord(kSubclassSelect, 0, subclass, m.SmbAddress) != 0) {
    SleepMs(settle::kBeforeSubclassRetryMs);
    if (link.WriteSMBusWord(kSubclassSelect, 0, subclass, m.SmbAddress) != 0) {
      ShowMessage(
          "Attempt to request class data from Dataflash failed.  Please check communication with "
          "device.");
      return 1;
    }
  }

  std::array<uint8_t, kConfigBlockSize> block{};
  int16_t length = 0;
  const int32_t status = link.ReadSMBusBlock_(kSubclassBlock, block, length, m.SmbAddress);
  // The parameter is big-endian: its high byte is the one at its offset, which the gauge must
  // have sent.
  const int32_t received = std::min<int32_t>(length, static_cast<int32_t>(block.size()));
  if (status != 0 || length == 0 || where.offset < 0 || where.offset >= received) {
    ShowMessage(
        "Unable to read class Configuration subclass Registers parameter Operation Cfg A from "
        "Dataflash.");
    return 1;
  }
  cells = static_cast<int16_t>((block[static_cast<size_t>(where.offset)] & 3) + 1);
  return 0;
}

}  // namespace gaugecal
