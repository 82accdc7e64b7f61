#pragma once
// SHA-1 (FIPS 180, OpenSSL libcrypto) of hexadecimal texts, and the gauge's two-pass keyed
// digest SHA-1(key || SHA-1(key || message)) used for authentication, unseal and full access.
// This is not the HMAC construction: the key is neither padded nor mixed with ipad/opad.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace gaugecal::security {

constexpr size_t kKeyHexLength = 32;      // 16 key bytes
constexpr size_t kMessageHexLength = 40;  // 20-byte challenge or message
constexpr size_t kKeyedInputLength = 36;  // key bytes followed by 20 bytes

// SHA-1 of the bytes as 40 upper-case hexadecimal characters.
std::string SHA1_BytesHexHash(std::span<const uint8_t> bytes);

// SHA-1 of the first count bytes of a hexadecimal text; nothing when str2byte refuses it.
std::optional<std::string> Sha1OfHex(const std::string& hex, size_t count);

struct AuthenticateResult {
  std::string firstPassResult;                   // SHA-1(key || message), upper case
  std::string sha1Result;                        // the final digest's bytes last to first
  std::string sha1ResultBigEndian;               // the final digest as it comes
  std::array<uint8_t, 20> digestLittleEndian{};  // the final digest's bytes last to first
};

// txtMsg: the 20-byte message (challenge) as 40 hexadecimal characters, key as 32, both most
// significant byte first. False, with result untouched, when either is anything else.
bool AUTHENTICATE(const std::string& txtMsg, const std::string& key, AuthenticateResult& result);

}  // namespace gaugecal::security
