#include "platform/PrivateProfile.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

namespace gaugecal {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlank(s[b]))
    ++b;
  while (e > b && IsBlank(s[e - 1]))
    --e;
  return s.substr(b, e - b);
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i]))
      return false;
  }
  return true;
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

struct KeyLine {
  std::string key;
  std::string value;  // trimmed, quotes kept
};

// The key lines of the first section with the given name, or nothing when there is none.
std::optional<std::vector<KeyLine>> ReadSection(const std::string& file,
                                                const std::string& section) {
  std::ifstream in(file, std::ios::binary);
  if (!in)
    return std::nullopt;
  const std::string wanted = Trim(section);
  std::optional<std::vector<KeyLine>> found;
  bool inside = false;
  std::string line;
  bool firstLine = true;
  while (std::getline(in, line)) {
    // Editors that save UTF-8 put a byte-order mark before the first section header.
    if (firstLine && line.starts_with(kUtf8Bom))
      line.erase(0, kUtf8Bom.size());
    firstLine = false;
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';')
      continue;
    if (t[0] == '[') {
      if (found)
        break;  // the first matching section is complete
      const size_t close = t.find(']');
      const std::string name =
          Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      inside = SameName(name, wanted);
      if (inside)
        found.emplace();
      continue;
    }
    if (!inside)
      continue;
    const size_t eq = t.find('=');
    if (eq == std::string::npos)
      continue;
    found->push_back({Trim(t.substr(0, eq)), Trim(t.substr(eq + 1))});
  }
  return found;
}

std::optional<std::string> FindValue(const std::string& file, const std::string& section,
                                     const std::string& key) {
  auto lines = ReadSection(file, section);
  if (!lines)
    return std::nullopt;
  const std::string wanted = Trim(key);
  for (const auto& kl : *lines) {
    if (SameName(kl.key, wanted))
      return Unquote(kl.value);
  }
  return std::nullopt;
}

}  // namespace

uint32_t GetPrivateProfileSectionA(const std::string& section, std::string& out, uint32_t size,
                                   const std::string& file) {
  out.clear();
  auto lines = ReadSection(file, section);
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

uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, std::string& out, uint32_t size,
                                  const std::string& file) {
  out = FindValue(file, section, key).value_or(Trim(defaultValue));
  if (size == 0) {
    out.clear();
    return 0;
  }
  if (out.size() > size - 1)
    out.resize(size - 1);
  return static_cast<uint32_t>(out.size());
}

int32_t GetPrivateProfileIntA(const std::string& section, const std::string& key,
                              int32_t defaultValue, const std::string& file) {
  const auto value = FindValue(file, section, key);
  if (!value || value->empty())
    return defaultValue;
  const std::string& v = *value;
  size_t i = 0;
  bool negative = false;
  if (v[i] == '+' || v[i] == '-')
    negative = v[i++] == '-';
  uint32_t result = 0;
  if (i + 1 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X')) {
    for (i += 2; i < v.size(); ++i) {
      const char c = Lower(v[i]);
      uint32_t digit;
      if (c >= '0' && c <= '9') {
        digit = static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<uint32_t>(c - 'a' + 10);
      } else {
        break;
      }
      result = result * 16U + digit;
    }
  } else {
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
      result = result * 10U + static_cast<uint32_t>(v[i] - '0');
    }
  }
  if (negative)
    result = 0U - result;
  return static_cast<int32_t>(result);
}

}  // namespace gaugecal
