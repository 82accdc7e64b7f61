#include "session/AppDirectory.h"

#include <filesystem>
#include <system_error>

#ifndef GAUGECAL_SAMPLE_APPDIR
#define GAUGECAL_SAMPLE_APPDIR "appdir"
#endif

namespace gaugecal::session {

namespace {

std::string WithSeparator(std::string dir) {
  if (!dir.empty() && dir.back() != '/')
    dir += '/';
  return dir;
}

}  // namespace

std::string ResolveAppDirectory(const std::string& given) {
  if (!given.empty())
    return WithSeparator(given);
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::filesystem::path installed = program.parent_path().parent_path();
    if (std::filesystem::is_regular_file(installed / "config.ini", ec))
      return WithSeparator(installed.string());
  }
  return WithSeparator(GAUGECAL_SAMPLE_APPDIR);
}

}  // namespace gaugecal::session
