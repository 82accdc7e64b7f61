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
// at all read as 0; values beyond the 32-bit range read as its nearest end (they do not wrap).
// Binary bytes, a missing final newline, CR LF line ends and very long lines are read like any
// other text; a UTF-8 byte-order mark is skipped. A file that is not a regular file or is
// larger than kMaxIniFileBytes reads as missing; ProfileFile::Problem() says why.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace gaugecal {

// One ini file, read once and split into sections; every read below can look keys up in it,
// so a caller that reads many keys reads the file only once.
class ProfileFile {
 public:
  struct Line {
    std::string key;
    std::string value;  // trimmed, quotes kept
  };

  explicit ProfileFile(const std::string& path);

  const std::string& Path() const { return path_; }
  // Why the file could not be read ("PATH does not exist", "PATH is a directory", ...); empty
  // when it was.
  const std::string& Problem() const { return problem_; }

  // The key lines of the first section of that name; nullptr when there is none.
  const std::vector<Line>* Section(const std::string& name) const;
  // The value of the first matching key, quotes removed; false when section or key is missing.
  bool Find(const std::string& section, const std::string& key, std::string& value) const;

 private:
  std::string path_;
  std::string problem_;
  std::vector<std::vector<Line>> sections_;
  std::unordered_map<std::string, size_t> index_;  // lower-case name -> first such section
};

// Every key line of the section as "key=value" texts, each followed by a NUL, the whole ended
// by a second NUL, cut to fit size characters. Returns the characters copied without the final
// NUL; 0 when the section is missing or holds no keys.
uint32_t GetPrivateProfileSectionA(const std::string& section, std::string& out, uint32_t size,
                                   const ProfileFile& file);
uint32_t GetPrivateProfileSectionA(const std::string& section, std::string& out, uint32_t size,
                                   const std::string& file);

// The key's value (or the default), cut to size - 1 characters. Returns its length.
uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, std::string& out, uint32_t size,
                                  const ProfileFile& file);
uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, std::string& out, uint32_t size,
                                  const std::string& file);

int32_t GetPrivateProfileIntA(const std::string& section, const std::string& key,
                              int32_t defaultValue, const ProfileFile& file);
int32_t GetPrivateProfileIntA(const std::string& section, const std::string& key,
                              int32_t defaultValue, const std::string& file);

// The integer read of a value text. whole (when given) tells whether the text is a number and
// nothing else: false for "", "yes" or "1x".
int32_t ParseProfileInt(const std::string& value, bool* whole = nullptr);

}  // namespace gaugecal
