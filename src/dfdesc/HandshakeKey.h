#pragma once
// The 32-bit constant K of the reader's key handshake, shared by the reader library and the
// code that opens it: LoadCfgFile only loads after SetMagic2 received v XOR r XOR K, where v is
// what SetMagic1(r) returned.

#include <cstdint>

namespace gaugecal::dfdesc {

constexpr int32_t kHandshakeKey = 0x5A3C96E1;

}  // namespace gaugecal::dfdesc
