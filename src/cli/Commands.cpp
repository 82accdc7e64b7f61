#include "cli/Cli.h"

namespace gaugecal::cli {

Command IdentifyCommand();
Command CheckConfigCommand();
Command ReadCommand();
Command RawCommand();

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      IdentifyCommand(),
      CheckConfigCommand(),
      ReadCommand(),
      RawCommand(),
  };
  return commands;
}

}  // namespace gaugecal::cli
