#pragma once
// Where the tool finds its configuration: the application directory and the two ini files in
// it. The directory is Module().appDirectory, with its trailing separator.

#include <string>

namespace gaugecal {

// The host keeps its plug-ins in its "plugins" sub-directory: removing the last seven
// characters of the plug-in's directory ("...\plugins" -> "...\") gives the application
// directory with its trailing separator. A shorter path gives the empty text.
std::string AppDirectoryFromPluginDirectory(const std::string& pluginDirectory);

std::string ConfigIniPath();   // application directory + "config.ini"
std::string MorvaneIniPath();  // application directory + "Morvane.ini"

}  // namespace gaugecal
