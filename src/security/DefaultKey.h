#pragma once
// The 128-bit key that a new gauge leaves the factory with and that the tool offers by default
// for authentication, unseal and full access: 32 hexadecimal digits, most significant first.

namespace gaugecal {

constexpr const char* kDefaultKey = "0123456789ABCDEFFEDCBA9876543210";

}  // namespace gaugecal
