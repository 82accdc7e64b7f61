#pragma once
// Read-back verification of data flash writes. A verification buffer is primed with the
// complement of the bytes it should receive, so a read that fails or comes back short leaves
// bytes that can never pass for a match: only bytes the gauge really sent can verify.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace gaugecal {

template <size_t N>
std::array<uint8_t, N> PrimedReadBack(std::span<const uint8_t> expected) {
  std::array<uint8_t, N> buffer{};
  const size_t n = std::min(N, expected.size());
  for (size_t i = 0; i < n; ++i)
    buffer[i] = static_cast<uint8_t>(~expected[i]);
  return buffer;
}

inline bool SameBytes(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace gaugecal
