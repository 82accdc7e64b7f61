#include "security/HexText.h"

#include <algorithm>

#include "device/Codecs.h"

namespace gaugecal::security {

namespace {

bool IsHexDigit(char c) {
  return IsHexChar(std::string(1, c));
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  return (c | 0x20) - 'a' + 10;
}

}  // namespace

bool IsHex(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos)
    return true;
  const size_t last = text.find_last_not_of(' ');
  return FirstNonHex(text.substr(first, last - first + 1)) == std::string::npos;
}

bool HexValidate(std::string& value) {
  std::erase_if(value, IsBlank);
  return FirstNonHex(value) == std::string::npos;
}

size_t FirstNonHex(const std::string& text, bool skipBlanks) {
  const auto it = std::find_if_not(text.begin(), text.end(), [skipBlanks](char c) {
    return IsHexDigit(c) || (skipBlanks && IsBlank(c));
  });
  return it == text.end() ? std::string::npos : static_cast<size_t>(it - text.begin());
}

bool str2byte(const std::string& text, std::span<uint8_t> bytes, size_t count) {
  if (text.size() < 2 * count || bytes.size() < count)
    return false;
  if (FirstNonHex(text.substr(0, 2 * count)) != std::string::npos)
    return false;
  for (size_t k = 0; k < count; ++k)
    bytes[k] = static_cast<uint8_t>(DigitValue(text[2 * k]) << 4 | DigitValue(text[2 * k + 1]));
  return true;
}

}  // namespace gaugecal::security
