#pragma once
// The application directory a front end works with (config.ini, Morvane.ini, the target and
// description files, and the host's plugins folder).

#include <string>

namespace gaugecal::session {

// The given directory, or when none is given the installed one (the folder above the
// program's bin folder, when it holds a config.ini) or else the sample directory of the source
// tree. Always with a trailing separator.
std::string ResolveAppDirectory(const std::string& given);

}  // namespace gaugecal::session
