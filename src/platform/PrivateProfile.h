#pragma once
// Private-profile (ini file) reads with the behaviour Windows programs rely on:
//  - section and key names match without regard to ASCII case; the first matching section,
//    and within it the first matching key, wins (a repeated section is never read);
//  - blanks (spaces and tabs) around names and values are trimmed, a value in matching single
//    or double quotes loses them, lines whose first non-blank character is ';' are comments,
//    and a line without '=' inside a section is not a key;
//  - a missing file, section or key gives the default.
// Integer reads: an empty value gives the default; otherwise an optional sign, then decimal
// digits or "0x"/"0X" and hexadecimal digits, stopping at the first other character; no digits
// at all read as 0; values wrap to 32 bits. Binary bytes, a missing final newline, CR LF line
// ends and very long lines are read like any other text; a UTF-8 byte-order mark is skipped.

#include <cstdint>
#include <string>

namespace gaugecal {

// Every key line of the section as "key=value" texts, each followed by a NUL, the whole ended
// by a second NUL, cut to fit size characters. Returns the characters copied without the final
// NUL; 0 when the section is missing or holds no keys.
uint32_t GetPrivateProfileSectionA(const std::string& section, std::string& out, uint32_t size,
                                   const std::string& file);

// The key's value (or the default), cut to size - 1 characters. Returns its length.
uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, std::string& out, uint32_t size,
                                  const std::string& file);

int32_t GetPrivateProfileIntA(const std::string& section, const std::string& key,
                              int32_t defaultValue, const std::string& file);

}  // namespace gaugecal
