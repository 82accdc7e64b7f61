#include "cli/Cli.h"

namespace gaugecal::cli {

Command IdentifyCommand();
Command CheckConfigCommand();

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      IdentifyCommand(),
      CheckConfigCommand(),
  };
  return commands;
}

}  // namespace gaugecal::cli
