#pragma once
// Hexadecimal text of keys, challenges and digests: two characters a byte, the first pair is
// byte 0, either case.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "device/HexText.h"  // HexBytes, the text of a digest or challenge

namespace gaugecal::security {

// True when every character of the text, spaces around it removed, is a hexadecimal digit.
// An empty text is true.
bool IsHex(const std::string& text);

// Removes every blank, tab, carriage return and line feed from value (the caller's text
// changes), then true when every remaining character is a hexadecimal digit.
bool HexValidate(std::string& value);

// Index of the first character that is not a hexadecimal digit (with skipBlanks, nor one of
// the characters HexValidate removes); npos when there is none.
size_t FirstNonHex(const std::string& text, bool skipBlanks = false);

// Byte k of bytes = the value of characters 2k and 2k + 1, for k below count. False, with
// bytes untouched, when the text holds fewer than 2 x count characters, a pair is not
// hexadecimal or bytes is shorter than count.
bool str2byte(const std::string& text, std::span<uint8_t> bytes, size_t count);

}  // namespace gaugecal::security
