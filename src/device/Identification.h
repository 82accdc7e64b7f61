#pragma once
// Reads the gauge's identification (device number, firmware version, build number and a
// fourth field) into the module state's identification texts.

#include <cstdint>
#include <string>

namespace gaugecal {

// Returns the four texts joined with "_" (empty after a failed or malformed read, which
// leaves the texts of an earlier read). status receives the block read's status.
std::string ReadDeviceIdentification(int16_t address, int32_t& status);

}  // namespace gaugecal
