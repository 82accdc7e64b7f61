#include "platform/PrivateProfile.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "platform/BoundedFile.h"

namespace gaugecal {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerName(std::string_view name) {
  std::string lower(Trim(name));
  for (char& c : lower)
    c = Lower(c);
  return lower;
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

int HexDigit(char c) {
  c = Lower(c);
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

}  // namespace

ProfileFile::ProfileFile(const std::string& path) : path_(path) {
  std::string text;
  if (!ReadBoundedFile(path, kMaxIniFileBytes, text, problem_)) {
    problem_ = path + " " + problem_;
    return;
  }
  std::string_view rest = text;
  // Editors that save UTF-8 put a byte-order mark before the first section header.
  if (rest.starts_with(kUtf8Bom))
    rest.remove_prefix(kUtf8Bom.size());
  std::vector<Line>* current = nullptr;  // the section being read, when it is the first one
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    const std::string_view t = Trim(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (t.empty() || t[0] == ';')
      continue;
    if (t[0] == '[') {
      const size_t close = t.find(']');
      const std::string name = LowerName(t.substr(1, close == t.npos ? t.npos : close - 1));
      // A repeated section is never read: only the first of a name gets its lines.
      current = nullptr;
      if (index_.emplace(name, sections_.size()).second)
        current = &sections_.emplace_back();
      continue;
    }
    const size_t eq = t.find('=');
    if (current && eq != std::string_view::npos)
      current->push_back({std::string(Trim(t.substr(0, eq))), std::string(Trim(t.substr(eq + 1)))});
  }
}

const std::vector<ProfileFile::Line>* ProfileFile::Section(const std::string& name) const {
  const auto it = index_.find(LowerName(name));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

bool ProfileFile::Find(const std::string& section, const std::string& key,
                       std::string& value) const {
  const std::vector<Line>* lines = Section(section);
  if (!lines)
    return false;
  const std::string wanted = LowerName(key);
  for (const Line& line : *lines) {
    if (line.key.size() == wanted.size() && LowerName(line.key) == wanted) {
      value = Unquote(line.value);
      return true;
    }
  }
  return false;
}

uint32_t GetPrivateProfileSectionA(const std::string& section, std::string& out, uint32_t size,
                                   const ProfileFile& file) {
  out.clear();
  const std::vector<ProfileFile::Line>* lines = file.Section(section);
  if (!lines || lines->empty() || size < 2)
    return 0;
  std::string all;
  for (const auto& kl : *lines) {
    all += kl.key + "=" + kl.value;
    all.push_back('\0');
  }
  // Like the Windows call: when the text does not fit, it is cut to size - 2 characters.
  if (all.size() + 1 > size)
    all.resize(size - 2);
  out = all;
  out.push_back('\0');
  return static_cast<uint32_t>(all.size());
}

uint32_t GetPrivateProfileSectionA(const std::string& section, std::string& out, uint32_t size,
                                   const std::string& file) {
  return GetPrivateProfileSectionA(section, out, size, ProfileFile(file));
}

uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, std::string& out, uint32_t size,
                                  const ProfileFile& file) {
  if (!file.Find(section, key, out))
    out = Trim(defaultValue);
  if (size == 0) {
    out.clear();
    return 0;
  }
  if (out.size() > size - 1)
    out.resize(size - 1);
  return static_cast<uint32_t>(out.size());
}

uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, std::string& out, uint32_t size,
                                  const std::string& file) {
  return GetPrivateProfileStringA(section, key, defaultValue, out, size, ProfileFile(file));
}

int32_t ParseProfileInt(const std::string& v, bool* whole) {
  size_t i = 0;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-'))
    negative = v[i++] == '-';
  const bool hex = i + 1 < v.size() && v[i] == '0' && Lower(v[i + 1]) == 'x';
  const int base = hex ? 16 : 10;
  if (hex)
    i += 2;
  const size_t digits = i;
  // Gathered as a magnitude that stops growing past the 32-bit range.
  constexpr int64_t kLimit = int64_t{1} << 32;
  int64_t magnitude = 0;
  for (int d; i < v.size() && (d = HexDigit(v[i])) >= 0 && d < base; ++i)
    magnitude = std::min(magnitude * base + d, kLimit);
  if (whole)
    *whole = i > digits && i == v.size();
  const int64_t value = negative ? -magnitude : magnitude;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int32_t GetPrivateProfileIntA(const std::string& section, const std::string& key,
                              int32_t defaultValue, const ProfileFile& file) {
  std::string value;
  if (!file.Find(section, key, value) || value.empty())
    return defaultValue;
  return ParseProfileInt(value);
}

int32_t GetPrivateProfileIntA(const std::string& section, const std::string& key,
                              int32_t defaultValue, const std::string& file) {
  return GetPrivateProfileIntA(section, key, defaultValue, ProfileFile(file));
}

}  // namespace gaugecal
