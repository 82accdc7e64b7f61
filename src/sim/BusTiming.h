#pragma once
// How long a transfer occupies a 100 kHz SMBus: 10 us a bit; every byte is 8 bits and an
// acknowledge; a start, a repeated start or a stop is one bit.

namespace gaugecal::sim::bus {

constexpr double kMsPerBit = 0.01;
constexpr int kByteBits = 9;

// Start, address (not acknowledged), stop.
constexpr int NoAnswerBits() {
  return 1 + kByteBits + 1;
}
// Start, address, command (refused), stop.
constexpr int RefusedBits() {
  return 1 + 2 * kByteBits + 1;
}
// Start, address, command, two data bytes, stop.
constexpr int WriteWordBits() {
  return 1 + 4 * kByteBits + 1;
}
// Start, address, command, repeated start, address, two data bytes, stop.
constexpr int ReadWordBits() {
  return 1 + 2 * kByteBits + 1 + 3 * kByteBits + 1;
}
// Start, address, command, count, data, stop.
constexpr int WriteBlockBits(int bytes) {
  return 1 + (3 + bytes) * kByteBits + 1;
}
// Start, address, command, repeated start, address, count, data, stop.
constexpr int ReadBlockBits(int bytes) {
  return 1 + 2 * kByteBits + 1 + (2 + bytes) * kByteBits + 1;
}

constexpr double Ms(int bits) {
  return bits * kMsPerBit;
}

}  // namespace gaugecal::sim::bus
