#include "cli/Commands.h"

namespace gaugecal::cli {

void AddDemoCommand(CommandSet& commands);
void AddCalibrateCommand(CommandSet& commands);
void AddIdentifyCommand(CommandSet& commands);
void AddCheckConfigCommand(CommandSet& commands);
void AddReadCommand(CommandSet& commands);
void AddRawCommand(CommandSet& commands);
void AddBackupCommands(CommandSet& commands);
void AddScanCommand(CommandSet& commands);
void AddSecurityModeCommand(CommandSet& commands);
void AddAuthCommand(CommandSet& commands);
void AddSealCommand(CommandSet& commands);
void AddUnsealCommand(CommandSet& commands);
void AddFullAccessCommand(CommandSet& commands);
void AddSha1Command(CommandSet& commands);

void AddCommands(CommandSet& commands) {
  AddDemoCommand(commands);
  AddCalibrateCommand(commands);
  AddIdentifyCommand(commands);
  AddCheckConfigCommand(commands);
  AddReadCommand(commands);
  AddRawCommand(commands);
  AddBackupCommands(commands);
  AddScanCommand(commands);
  AddSecurityModeCommand(commands);
  AddAuthCommand(commands);
  AddSealCommand(commands);
  AddUnsealCommand(commands);
  AddFullAccessCommand(commands);
  AddSha1Command(commands);
}

CLI::App& CommandSet::Add(const std::string& name, const std::string& description, CommandRun run) {
  CLI::App* command = tool_.add_subcommand(name, description);
  command->footer("The options of gaugecal --help may also follow the command.");
  commands_.emplace_back(command, std::move(run));
  return *command;
}

CLI::App& CommandSet::AddWithoutGauge(const std::string& name, const std::string& description,
                                      CommandRun run) {
  CLI::App& command = Add(name, description, std::move(run));
  withoutGauge_.insert(&command);
  return command;
}

std::pair<const CLI::App*, const CommandRun*> CommandSet::Chosen() const {
  for (const auto& [command, run] : commands_) {
    if (command->parsed())
      return {command, &run};
  }
  return {nullptr, nullptr};
}

}  // namespace gaugecal::cli
