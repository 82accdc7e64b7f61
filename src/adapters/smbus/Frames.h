#pragma once
// The bytes of SMBus word and block transfers as they go over the wire after the address
// byte, with the optional packet error code (PEC: CRC-8, polynomial 0x07, over every byte of
// the transfer including the address bytes). The bridge driver sends and parses these bytes
// itself; the i2c-dev driver does for transfers the kernel's SMBus calls cannot carry; the
// emulated bus answers with them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "adapters/smbus/BusError.h"

namespace gaugecal::adapters::smbus {

constexpr size_t kBlockMax = 32;       // SMBus 2.0 block: the kernel's SMBus calls stop here
constexpr size_t kLongBlockMax = 255;  // all one count byte can say

uint8_t Crc8(std::span<const uint8_t> bytes, uint8_t crc = 0);

// PEC of a write transfer: address (write), then the bytes (command first).
uint8_t WritePec(uint8_t address, std::span<const uint8_t> bytes);
// PEC of a read transfer: address (write), command, address (read), then the answer.
uint8_t ReadPec(uint8_t address, uint8_t command, std::span<const uint8_t> answer);

// Write transfers: command, data (low byte first) or count and data, and the PEC when asked.
std::vector<uint8_t> WordWrite(uint8_t address, uint8_t command, uint16_t word, bool pec);
std::vector<uint8_t> BlockWrite(uint8_t address, uint8_t command, std::span<const uint8_t> data,
                                bool pec);

// How many bytes a read clocks: a word and its PEC; a block of up to 255 bytes, its count and
// its PEC. A block read cannot know the count before it arrives, so it clocks the longest
// block in one transfer instead of sending the command a second time.
size_t WordReadLength(bool pec);
size_t BlockReadLength(bool pec);

// What a read brought back: the word (low byte first) or the count byte and the data, checked
// against the PEC when asked. ShortAnswer when fewer bytes came than the answer needs.
BusError ParseWord(uint8_t address, uint8_t command, std::span<const uint8_t> read, bool pec,
                   uint16_t& word);
BusError ParseBlock(uint8_t address, uint8_t command, std::span<const uint8_t> read, bool pec,
                    std::vector<uint8_t>& data);

}  // namespace gaugecal::adapters::smbus
