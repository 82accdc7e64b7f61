#pragma once
// Reading an input file whole, safely: only a regular file (after following symbolic links)
// and only up to a size limit. A named pipe, a device such as /dev/zero or a directory is
// refused at once instead of blocking or filling memory, and the reason names what the path
// is. Every input file of the tool is read this way.

#include <cstddef>
#include <string>

namespace gaugecal {

// Largest ini file (config.ini, Morvane.ini, target files) read.
constexpr size_t kMaxIniFileBytes = 16 * 1024 * 1024;

// True and the whole file in text; otherwise false and in problem what is wrong, to follow the
// path in a message: "does not exist", "is a directory", "is not a regular file", "is larger
// than N bytes" or "cannot be read (reason)".
bool ReadBoundedFile(const std::string& path, size_t maxBytes, std::string& text,
                     std::string& problem);

// True when both paths name the same existing file (symbolic links followed), whatever the
// spelling of the paths.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace gaugecal
