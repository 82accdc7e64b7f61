#pragma once
// Manufacturer access: subcommands written to the manufacturer access register, answers read
// from the manufacturer data block (0x23). On top of it: the security-mode read, raw
// calibration mode entry and exit, the two raw-output requests and the display-group refresh.

#include <cstdint>
#include <span>

namespace gaugecal {

constexpr int16_t kManufacturerData = 0x23;
constexpr int16_t kMacNeutral = 0x0001;
constexpr int16_t kMacOperationStatus = 0x0054;
constexpr int16_t kMacManufacturingStatus = 0x0057;

// Block read of 0x23; returns the host-link status.
int32_t ReadMODBlock(std::span<uint8_t> buffer, int16_t& length);

// Security mode = bits 9..8 of operation status (3 sealed, 2 unsealed, 1 full access).
int32_t ReadSecurityMode(int16_t& mode);

// Makes sure the gauge is in raw calibration mode (per family); sets or clears the
// calibration-mode flag.
int32_t EnsureCalMode();
// Sends the exit subcommand when the calibration-mode flag is set.
int32_t SendExitCalCommand();

int32_t StartRawCalOutput();
int32_t StartOffsetCalOutput();

int32_t RefreshMODGroups();
int32_t RefreshMODGroup(int16_t groupIndex, std::span<uint8_t> buffer);
int32_t RefreshRawCalGroup();

}  // namespace gaugecal
