#include "sim/KeyedDigest.h"

#include <openssl/evp.h>

#include <algorithm>

namespace gaugecal::sim {

namespace {

Digest Sha1(const std::array<uint8_t, 36>& message) {
  Digest out{};
  unsigned int length = 0;
  EVP_Digest(message.data(), message.size(), out.data(), &length, EVP_sha1(), nullptr);
  return out;
}

Digest Pass(const std::array<uint8_t, 16>& key, const Digest& data) {
  std::array<uint8_t, 36> message{};
  std::copy(key.begin(), key.end(), message.begin());
  std::copy(data.begin(), data.end(), message.begin() + 16);
  return Sha1(message);
}

}  // namespace

Digest KeyedDigest(const std::array<uint8_t, 16>& key, const Digest& challenge) {
  return Pass(key, Pass(key, challenge));
}

Digest Reversed(const Digest& bytes) {
  Digest out = bytes;
  std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace gaugecal::sim
