#pragma once
// 32-byte data flash rows reached through manufacturer access: row r is selected with
// subcommand 0x0100 + r and then read or written as a block of command 0x2F.

#include <cstdint>
#include <span>

namespace gaugecal {

constexpr int kRowLength = 32;

// Selects row r for the next block read or write; the host-link status.
int32_t RequestRow(int row);

// Block read of the selected row into row (at most 32 bytes); length receives what the gauge
// sent. address: the rows of the calibration area are read at the fixed gauge address.
int32_t ReadRowBlock(std::span<uint8_t, kRowLength> row, int16_t& length, int16_t address);
int32_t WriteRowBlock(std::span<const uint8_t, kRowLength> row);

// Leaves calibration mode before rows are read. The first block after the exit command can
// still carry the raw calibration stream, so it is read and thrown away, with a settle time
// on either side.
void LeaveCalibrationForRows();

}  // namespace gaugecal
