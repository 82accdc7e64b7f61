#include "cli/Cli.h"

namespace gaugecal::cli {

Command IdentifyCommand();

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      IdentifyCommand(),
  };
  return commands;
}

}  // namespace gaugecal::cli
