#pragma once
// The files a run of the tool reads, so that an output (the trace) can never be one of them.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace gaugecal::cli {

// config.ini and Morvane.ini of the application directory, every target file Morvane.ini
// names and the description file each of those names, the scenario file, the persistence file
// the scenario names, and the command's key file. appDir ends with a separator.
std::vector<std::string> InputFiles(const GlobalOptions& options, const std::string& appDir,
                                    const CLI::App& command);

// The input that path would overwrite (same file, however spelt), or empty.
std::string InputAt(const std::string& path, const std::vector<std::string>& inputs);

}  // namespace gaugecal::cli
