#pragma once
// The gaugecal tool run in-process with string streams; files for it go in a TempDir.

#include <string>
#include <vector>

#include "cli/Cli.h"
#include "support/Bench.h"

namespace gaugecal::test {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline CliResult RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), "gaugecal");
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  const int status = cli::Main(static_cast<int>(args.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

}  // namespace gaugecal::test
