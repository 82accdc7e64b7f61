#include "panel/RegistersPane.h"

#include <cstdio>

namespace gaugecal::panel {

void RegistersPane::Read(uint64_t scanned) {
  followed_ = scanned;
  rows_.clear();
  for (const SbsValue& v : ReadSbsRegisters()) {
    char command[8];
    std::snprintf(command, sizeof command, "0x%02X", v.command->command);
    RegisterRow row;
    row.command = command;
    row.name = v.command->name;
    row.raw = v.answered && v.bytes.empty() ? v.raw : std::string();
    row.value = v.decoded;
    row.bits = v.bits;
    rows_.push_back(std::move(row));
  }
  ++reads_;
}

bool RegistersPane::FollowScan(uint64_t scanned, bool shown, bool busy) {
  if (scanned == followed_ || !shown || busy)
    return false;
  Read(scanned);
  return true;
}

}  // namespace gaugecal::panel
