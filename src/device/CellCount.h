#pragma once
// The configuration-subclass source of the cell count, kept apart because it goes through the
// data flash description file to find the subclass.

#include <cstdint>

namespace gaugecal {

// Cells = (high byte of "Operation Cfg A" AND 3) + 1; 0 or 1 after a failure (message shown).
int32_t ReadCellCountQspan(int16_t& cells);

}  // namespace gaugecal
