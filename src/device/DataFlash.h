#pragma once
// Data flash access: the calibration area into the local calibration buffer and back with
// read-back verification, in the family's addressing scheme (64-byte pages, the calibration
// subclass, or 32-byte rows through manufacturer access); absolute byte access; cell count.

#include <cstdint>
#include <span>

namespace gaugecal {

constexpr int16_t kDataFlashPageBase = 0x58;  // 64-byte page p at 0x58 + p
constexpr int16_t kSubclassSelect = 0x77;
constexpr int16_t kSubclassBlock = 0x78;
constexpr int16_t kCalibrationSubclass = 104;
constexpr int16_t kRowBase = 0x0100;  // row r through subcommand 0x0100 + r
constexpr int16_t kRowBlock = 0x2F;
constexpr int kCedvCalAreaLength = 29;

int32_t ReadCEDVCalBlocks();
// Bytes of the local calibration buffer a CEDV read fills: the page, and 32 bytes of the next
// one when the area runs into it.
int CedvCalImageLength();
int32_t WriteCEDVCalBlocks();
int32_t ReadCalSubclass(std::span<uint8_t> buffer);
// Also gives the subclass length the gauge sent.
int32_t ReadCalSubclass(std::span<uint8_t> buffer, int16_t& length);
int32_t WriteCalSubclass();
int32_t ReadCalRows();
int32_t WriteCalRows();
int32_t ReadAbsoluteDF(int16_t address, uint8_t& first, uint8_t& second);
int32_t WriteAbsoluteDF(int16_t address, uint8_t first, uint8_t second);
int32_t ReadCellCount(int16_t& cells);

}  // namespace gaugecal
