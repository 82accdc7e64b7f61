#pragma once
// The gauge's keyed digest for authentication, unseal and full access:
// SHA-1(key || SHA-1(key || challenge)), key and challenge most significant byte first.

#include <array>
#include <cstdint>

namespace gaugecal::sim {

using Digest = std::array<uint8_t, 20>;

// challenge and the result are most significant byte first; on the bus both travel least
// significant byte first (Reversed).
Digest KeyedDigest(const std::array<uint8_t, 16>& key, const Digest& challenge);

Digest Reversed(const Digest& bytes);

}  // namespace gaugecal::sim
