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
// Sends the exit subcommand when the calibration-mode flag is set. The exit subcommand only
// stops the raw stream: the gauge stays in calibration mode and the flag stays set.
int32_t SendExitCalCommand();
// Leaves calibration mode: the exit subcommand, then for RN44K18 and CEDV_PLUS the mode
// subcommand while the gauge reports calibration mode (its status read; the flag where it
// does not answer). Sets the flag to what the gauge is in afterwards; 1 when it still reports
// calibration mode.
int32_t LeaveCalMode();

int32_t StartRawCalOutput();
int32_t StartOffsetCalOutput();

int32_t RefreshMODGroups();
int32_t RefreshMODGroup(int16_t groupIndex, std::span<uint8_t> buffer);
int32_t RefreshRawCalGroup();

}  // namespace gaugecal
