#pragma once
// Any block of data flash in the family's own addressing scheme, for the parameter editor: a
// 64-byte page of the linear data flash (CEDV), a subclass selected by its number (QSPAN) or a
// 32-byte row through manufacturer access (RN44K18, CEDV_PLUS). A parameter of a description
// lies at its subclass number + offset where the family addresses data flash linearly, and at
// its offset within the subclass otherwise. Writes are verified by reading the block back.

#include <cstdint>
#include <span>
#include <vector>

#include "config/CalConfig.h"

namespace gaugecal {

// One byte's place: the block (page, subclass number or row) and the position in it.
struct DfBytePlace {
  int block = 0;
  int position = 0;
};

DfBytePlace PlaceOfByte(DfType family, int32_t subclassNumber, int32_t offset);

// The block's bytes as the gauge sends them; 1 after a message when the read fails or comes
// back short (a page of fewer than 64 bytes, a row of fewer than 32, an empty subclass).
int32_t ReadDfBlock(int block, std::vector<uint8_t>& bytes);

// Writes the block's bytes (all of them) and reads it back; 1 after a message when the write
// fails or the gauge gives other bytes back. Quiet writes (a rollback's) show nothing.
int32_t WriteDfBlock(int block, std::span<const uint8_t> bytes);

}  // namespace gaugecal
