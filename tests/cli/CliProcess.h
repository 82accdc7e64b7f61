#pragma once
// The gaugecal tool run as a process of its own (GAUGECAL_TOOL), for runs that are killed or run
// side by side, and the steps of the trace it leaves.

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/Bench.h"

extern char** environ;

namespace gaugecal::test {

// The tool as a process of its own, its output to out and its errors to err; its pid.
inline pid_t SpawnTool(std::vector<std::string> args, const std::string& err = "/dev/null",
                       const std::string& out = "/dev/null") {
  args.insert(args.begin(), GAUGECAL_TOOL);
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  pid_t pid = 0;
  EXPECT_EQ(posix_spawn(&pid, GAUGECAL_TOOL, &files, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&files);
  return pid;
}

// The steps of a trace file, one per line.
inline std::vector<std::string> TraceSteps(const std::string& path) {
  std::vector<std::string> steps;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);)
    steps.push_back(Step(nlohmann::json::parse(line)));
  return steps;
}

}  // namespace gaugecal::test
