#include "config/IniText.h"

#include <cctype>

#include <filesystem>

#include "device/ModuleState.h"

namespace gaugecal {

std::string ReadIniText(const std::string& section, const std::string& key, const std::string& file,
                        const std::string& defaultValue) {
  std::string value;
  GetPrivateProfileStringA(section, key, defaultValue, value, kIniTextBufferSize, file);
  return value;
}

std::string ReadIniText(const std::string& section, const std::string& key, const ProfileFile& file,
                        const std::string& defaultValue) {
  std::string value;
  GetPrivateProfileStringA(section, key, defaultValue, value, kIniTextBufferSize, file);
  return value;
}

ProfileFile ReadIniFile(const std::string& path, bool warnMissing) {
  ProfileFile file(path);
  std::error_code ec;
  if (!file.Problem().empty() && (warnMissing || std::filesystem::exists(path, ec)))
    ShowWarning(file.Problem());
  return file;
}

std::string IniValuePlace(const std::string& key, const std::string& value,
                          const std::string& section, const std::string& file) {
  return key + "=" + value + " in section [" + section + "] of " + file;
}

std::string TrimBlanks(const std::string& text) {
  const size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos)
    return {};
  return text.substr(b, text.find_last_not_of(" \t") - b + 1);
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    fields.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos)
      return fields;
    start = comma + 1;
  }
}

}  // namespace gaugecal
