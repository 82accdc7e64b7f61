#pragma once
// Runs the gaugecal tool in-process with string streams, and a scratch directory for the
// files a test hands it.

#include <filesystem>
#include <string>
#include <vector>

namespace gaugecal::test {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

CliResult RunCli(const std::vector<std::string>& args);

// A fresh directory under the system's temporary directory, removed again at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Writes a file into the directory and returns its path.
  std::string Write(const std::string& name, const std::string& text) const;

 private:
  std::filesystem::path dir_;
};

std::string ReadFile(const std::string& path);

}  // namespace gaugecal::test
