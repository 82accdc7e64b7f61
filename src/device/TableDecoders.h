#pragma once
// Decoders that turn gauge bytes into the value texts of the display tables: the calibration
// table from the local calibration buffer (big-endian), and display-group rows from
// manufacturer blocks (little-endian).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace gaugecal {

// Decodes every row of the family's calibration table from the local calibration buffer.
void TransferCalBufferToTable();

// A shown row of the calibration table at the precision the gauge stores it (the table's texts
// round floats to three decimals), for reports that want numbers.
struct CalValue {
  std::string name;
  int16_t gridRow = 0;
  double value = 0.0;
};
std::vector<CalValue> CalTableValues();

// Decodes one row of a live display group from a manufacturer block; "Unknown data type" for
// a type it does not know.
void DecodeMODRow(int16_t group, int16_t row, std::span<const uint8_t> buffer);

// The same for the raw calibration group ("U1", "U2", "I2" only).
void DecodeMODRowToLocal(int16_t group, int16_t row, std::span<const uint8_t> buffer);

// Index of the CalTable group that serves the configured family (group 0 when the data flash
// map is in use).
int CalGroupForFamily();

}  // namespace gaugecal
