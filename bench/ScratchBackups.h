#pragma once
// The benchmarks run thousands of calibrations, each of which saves a backup before it writes:
// they go to one scratch folder per process, removed at exit, never to the home folder.

#include <unistd.h>

#include <filesystem>
#include <string>

namespace gaugecal::bench {

inline const std::string& ScratchBackupDir() {
  struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("gaugecal-bench-backups-" + std::to_string(::getpid()));
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Folder folder;
  static const std::string text = folder.path.string();
  return text;
}

}  // namespace gaugecal::bench
