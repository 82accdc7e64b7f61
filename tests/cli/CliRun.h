#pragma once
// Runs the gaugecal tool in-process with string streams; files for it go in a TempDir.

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace gaugecal::test {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

CliResult RunCli(const std::vector<std::string>& args);

std::string ReadFile(const std::string& path);

}  // namespace gaugecal::test
