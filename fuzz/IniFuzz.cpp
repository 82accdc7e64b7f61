// Feeds arbitrary bytes to the private-profile (ini) reader as a file. The first line names the
// section and key to look up ("SECTION|KEY"); the rest is the file. The file is written and
// read once an input, as the configuration check reads config.ini once for all its keys; the
// reads must keep to the buffer sizes they are given and agree with each other.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/PrivateProfile.h"

namespace {

const std::string& FilePath() {
  static const std::string path = "/dev/shm/gaugecal-ini-fuzz-" + std::to_string(getpid()) + ".ini";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t lineEnd = input.find('\n');
  const std::string query = input.substr(0, lineEnd);
  const std::string file = lineEnd == std::string::npos ? "" : input.substr(lineEnd + 1);
  const size_t bar = query.find('|');
  const std::string section = query.substr(0, bar);
  const std::string key = bar == std::string::npos ? "" : query.substr(bar + 1);

  FILE* f = std::fopen(FilePath().c_str(), "wb");
  if (f == nullptr)
    return 0;
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);

  // One buffer size a run, chosen by the input: tiny, short and the size config reads use.
  const uint32_t sizes[] = {1u, 16u, 2046u};
  const uint32_t bufferSize = sizes[size % 3];
  const gaugecal::ProfileFile profile(FilePath());
  if (!profile.Problem().empty())
    __builtin_trap();  // a regular file within the size limit always reads
  std::string out;
  const uint32_t n =
      gaugecal::GetPrivateProfileStringA(section, key, "dflt", out, bufferSize, profile);
  if (n != out.size() || n >= bufferSize)
    __builtin_trap();
  std::string all;
  const uint32_t copied = gaugecal::GetPrivateProfileSectionA(section, all, bufferSize, profile);
  if (copied > bufferSize || all.size() > bufferSize)
    __builtin_trap();
  gaugecal::GetPrivateProfileIntA(section, key, -7, profile);
  return 0;
}
