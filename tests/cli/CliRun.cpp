#include "CliRun.h"

#include <unistd.h>

#include <atomic>
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

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  dir_ = std::filesystem::temp_directory_path() /
         ("gaugecal-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string ScratchDir::Write(const std::string& name, const std::string& text) const {
  const std::string path = Path(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace gaugecal::test
