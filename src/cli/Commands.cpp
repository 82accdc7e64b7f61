#include "cli/Commands.h"

#include <algorithm>

namespace gaugecal::cli {

void AddDemoCommand(CommandSet& commands);
void AddCalibrateCommand(CommandSet& commands);
void AddIdentifyCommand(CommandSet& commands);
void AddCheckConfigCommand(CommandSet& commands);
void AddReadCommand(CommandSet& commands);
void AddRawCommand(CommandSet& commands);
void AddBackupCommands(CommandSet& commands);
void AddSbsCommand(CommandSet& commands);
void AddDfCommand(CommandSet& commands);
void AddScanCommand(CommandSet& commands);
void AddSecurityModeCommand(CommandSet& commands);
void AddAuthCommand(CommandSet& commands);
void AddSealCommand(CommandSet& commands);
void AddUnsealCommand(CommandSet& commands);
void AddFullAccessCommand(CommandSet& commands);
void AddSha1Command(CommandSet& commands);
void AddInstrumentsCommand(CommandSet& commands);
void AddRecordsCommand(CommandSet& commands);
void AddReportCommand(CommandSet& commands);

void AddCommands(CommandSet& commands) {
  AddDemoCommand(commands);
  AddCalibrateCommand(commands);
  AddIdentifyCommand(commands);
  AddCheckConfigCommand(commands);
  AddReadCommand(commands);
  AddRawCommand(commands);
  AddBackupCommands(commands);
  AddRecordsCommand(commands);
  AddReportCommand(commands);
  AddSbsCommand(commands);
  AddDfCommand(commands);
  AddScanCommand(commands);
  AddSecurityModeCommand(commands);
  AddAuthCommand(commands);
  AddSealCommand(commands);
  AddUnsealCommand(commands);
  AddFullAccessCommand(commands);
  AddSha1Command(commands);
  AddInstrumentsCommand(commands);
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

namespace {

// Letters inserted, removed or replaced to turn a into b.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string CommandSet::Nearest(const std::string& word) const {
  std::string best;
  size_t bestDistance = std::max<size_t>(2, word.size() / 3) + 1;
  for (const auto& [command, run] : commands_) {
    const size_t d = EditDistance(word, command->get_name());
    if (d < bestDistance) {
      best = command->get_name();
      bestDistance = d;
    }
  }
  return best;
}

}  // namespace gaugecal::cli
