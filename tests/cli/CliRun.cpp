#include "CliRun.h"

#include <fstream>
#include <sstream>

#include "cli/Cli.h"

namespace gaugecal::test {

CliResult RunCli(const std::vector<std::string>& args) {
  std::vector<std::string> storage = {"gaugecal"};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : storage)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  CliResult r;
  r.status = cli::Main(static_cast<int>(storage.size()), argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace gaugecal::test
