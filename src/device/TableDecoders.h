#pragma once
// Decoders that turn gauge bytes into the value texts of the display tables: the calibration
// table from the local calibration buffer (big-endian), and display-group rows from
// manufacturer blocks (little-endian).

#include <cstdint>
#include <span>

namespace gaugecal {

// Decodes every row of the family's calibration table from the local calibration buffer.
void TransferCalBufferToTable();

// Decodes one row of a live display group from a manufacturer block; "Unknown data type" for
// a type it does not know.
void DecodeMODRow(int16_t group, int16_t row, std::span<const uint8_t> buffer);

// The same for the raw calibration group ("U1", "U2", "I2" only).
void DecodeMODRowToLocal(int16_t group, int16_t row, std::span<const uint8_t> buffer);

// Index of the CalTable group that serves the configured family (group 0 when the data flash
// map is in use).
int CalGroupForFamily();

}  // namespace gaugecal
