#include "adapters/smbus/Frames.h"

#include <algorithm>

namespace gaugecal::adapters::smbus {

namespace {

constexpr uint8_t kPolynomial = 0x07;

uint8_t AddressByte(uint8_t address, bool read) {
  return static_cast<uint8_t>(address << 1 | (read ? 1 : 0));
}

uint8_t Crc8Byte(uint8_t crc, uint8_t byte) {
  crc ^= byte;
  for (int bit = 0; bit < 8; ++bit)
    crc = static_cast<uint8_t>(crc & 0x80 ? (crc << 1) ^ kPolynomial : crc << 1);
  return crc;
}

}  // namespace

uint8_t Crc8(std::span<const uint8_t> bytes, uint8_t crc) {
  for (uint8_t b : bytes)
    crc = Crc8Byte(crc, b);
  return crc;
}

uint8_t WritePec(uint8_t address, std::span<const uint8_t> bytes) {
  return Crc8(bytes, Crc8Byte(0, AddressByte(address, false)));
}

uint8_t ReadPec(uint8_t address, uint8_t command, std::span<const uint8_t> answer) {
  const uint8_t head[] = {AddressByte(address, false), command, AddressByte(address, true)};
  return Crc8(answer, Crc8(head));
}

std::vector<uint8_t> WordWrite(uint8_t address, uint8_t command, uint16_t word, bool pec) {
  std::vector<uint8_t> out = {command, static_cast<uint8_t>(word & 0xFF),
                              static_cast<uint8_t>(word >> 8)};
  if (pec)
    out.push_back(WritePec(address, out));
  return out;
}

std::vector<uint8_t> BlockWrite(uint8_t address, uint8_t command, std::span<const uint8_t> data,
                                bool pec) {
  // The whole frame is sized first: inserting into a two-byte vector makes GCC 12 at -O3 see
  // a copy past its end that cannot happen.
  const size_t body = 2 + data.size();
  std::vector<uint8_t> out(body + (pec ? 1 : 0));
  out[0] = command;
  out[1] = static_cast<uint8_t>(data.size());
  std::copy(data.begin(), data.end(), out.begin() + 2);
  if (pec)
    out[body] = WritePec(address, std::span<const uint8_t>(out).first(body));
  return out;
}

size_t WordReadLength(bool pec) {
  return 2 + (pec ? 1 : 0);
}

size_t BlockReadLength(bool pec) {
  return 1 + kLongBlockMax + (pec ? 1 : 0);
}

BusError ParseWord(uint8_t address, uint8_t command, std::span<const uint8_t> read, bool pec,
                   uint16_t& word) {
  if (read.size() < WordReadLength(pec))
    return BusError::ShortAnswer;
  if (pec && read[2] != ReadPec(address, command, read.first(2)))
    return BusError::PecMismatch;
  word = static_cast<uint16_t>(read[1] << 8 | read[0]);
  return BusError::None;
}

BusError ParseBlock(uint8_t address, uint8_t command, std::span<const uint8_t> read, bool pec,
                    std::vector<uint8_t>& data) {
  if (read.empty())
    return BusError::ShortAnswer;
  const size_t count = read[0];
  if (read.size() < 1 + count + (pec ? 1 : 0))
    return BusError::ShortAnswer;
  if (pec && read[1 + count] != ReadPec(address, command, read.first(1 + count)))
    return BusError::PecMismatch;
  data.assign(read.begin() + 1, read.begin() + 1 + static_cast<std::ptrdiff_t>(count));
  return BusError::None;
}

}  // namespace gaugecal::adapters::smbus
