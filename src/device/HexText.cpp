#include "device/HexText.h"

#include "device/Codecs.h"

namespace gaugecal {

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> out;
  int high = -1;  // first digit of a pair, while the second is awaited
  for (char c : text) {
    if (IsBlank(c)) {
      if (high >= 0)
        return false;  // a pair split by a blank
      continue;
    }
    const int v = DigitValue(c);
    if (v < 0)
      return false;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  if (high >= 0)
    return false;
  bytes = std::move(out);
  return true;
}

std::string HexBytes(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t b : bytes)
    text += Hex2(b);
  return text;
}

}  // namespace gaugecal
