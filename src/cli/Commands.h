#pragma once
// The tool's commands as CLI11 subcommands. A command is one file under commands/ with one
// registration function, called from AddCommands (Commands.cpp): it adds its subcommand with
// the subcommand's own options and positional arguments, and the routine that runs it.

#include <CLI/CLI.hpp>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/Cli.h"

namespace gaugecal::cli {

// Runs a command once the whole command line has parsed and the session is open.
using CommandRun = std::function<int(CliContext&)>;

class CommandSet {
 public:
  explicit CommandSet(CLI::App& tool) : tool_(tool) {}

  // Adds a subcommand. The parse fills its option values before the run reads them, so they
  // live in storage the run shares (a std::shared_ptr captured by both).
  CLI::App& Add(const std::string& name, const std::string& description, CommandRun run);
  // A command that opens adapters itself rather than the session's gauge (scan).
  CLI::App& AddWithoutGauge(const std::string& name, const std::string& description,
                            CommandRun run);

  // The subcommand given on the parsed command line and its routine; {nullptr, nullptr} when
  // there is none.
  std::pair<const CLI::App*, const CommandRun*> Chosen() const;
  // Whether the session opens the --adapter gauge before the command runs.
  bool NeedsGauge(const CLI::App* command) const { return !withoutGauge_.count(command); }
  // The command whose name is closest to a mistyped word (at most a third of its letters
  // wrong, and at least two allowed); empty when none is.
  std::string Nearest(const std::string& word) const;

 private:
  CLI::App& tool_;
  std::vector<std::pair<const CLI::App*, CommandRun>> commands_;
  std::set<const CLI::App*> withoutGauge_;
};

// Adds every command of the tool, in the order of the help text.
void AddCommands(CommandSet& commands);

}  // namespace gaugecal::cli
