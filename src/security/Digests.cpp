#include "security/Digests.h"

#include <openssl/evp.h>

#include <algorithm>

#include "security/HexText.h"

namespace gaugecal::security {

std::string SHA1_BytesHexHash(std::span<const uint8_t> bytes) {
  std::array<uint8_t, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha1(), nullptr);
  return HexBytes(std::span<const uint8_t>(digest.data(), length));
}

std::optional<std::string> Sha1OfHex(const std::string& hex, size_t count) {
  std::array<uint8_t, 256> bytes{};
  if (count > bytes.size() || !str2byte(hex, bytes, count))
    return std::nullopt;
  return SHA1_BytesHexHash(std::span<const uint8_t>(bytes.data(), count));
}

bool AUTHENTICATE(const std::string& txtMsg, const std::string& key, AuthenticateResult& result) {
  if (txtMsg.size() != kMessageHexLength || key.size() != kKeyHexLength)
    return false;
  const std::optional<std::string> first = Sha1OfHex(key + txtMsg, kKeyedInputLength);
  if (!first)
    return false;
  const std::string second = *Sha1OfHex(key + *first, kKeyedInputLength);

  AuthenticateResult r;
  r.firstPassResult = *first;
  r.sha1ResultBigEndian = second;
  for (size_t i = 0; i < r.digestLittleEndian.size(); ++i) {
    const std::string pair = second.substr(kMessageHexLength - 2 - 2 * i, 2);
    r.sha1Result += pair;
    str2byte(pair, std::span<uint8_t>(&r.digestLittleEndian[i], 1), 1);
  }
  result = std::move(r);
  return true;
}

}  // namespace gaugecal::security
