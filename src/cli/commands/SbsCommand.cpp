// sbs [--watch SECONDS [--rounds N]] [--csv]: every standard smart-battery command the gauge
// answers, decoded; with --watch again on the platform's timer until Ctrl-C (or N rounds), one
// CSV row per round with --csv.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "device/SbsRegisters.h"
#include "platform/Platform.h"

namespace gaugecal::cli {

namespace {

using nlohmann::ordered_json;

struct SbsOptions {
  double watchSeconds = 0.0;
  int rounds = 0;  // 0: until stopped
  bool csv = false;
};

std::string CommandHex(uint8_t command) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", command);
  return text;
}

ordered_json ValueJson(const SbsValue& v) {
  ordered_json j;
  j["command"] = CommandHex(v.command->command);
  j["name"] = v.command->name;
  j["answered"] = v.answered;
  if (!v.answered)
    return j;
  j["raw"] = v.raw;
  if (v.number && std::floor(*v.number) == *v.number && std::abs(*v.number) < 1e9)
    j["value"] = static_cast<int64_t>(*v.number);  // whole numbers print as such
  else if (v.number)
    j["value"] = *v.number;
  else
    j["value"] = v.decoded;
  if (!v.unit.empty())
    j["unit"] = v.unit;
  j["text"] = v.decoded;
  if (!v.bits.empty()) {
    ordered_json bits = ordered_json::object();
    for (const auto& [name, set] : v.bits)
      bits[name] = set;
    j["bits"] = std::move(bits);
  }
  return j;
}

void PrintTable(CliContext& c, const std::vector<SbsValue>& values) {
  for (const SbsValue& v : values) {
    char line[160];
    std::snprintf(line, sizeof line, "%s %-24s %-8s ", CommandHex(v.command->command).c_str(),
                  v.command->name, v.answered && v.bytes.empty() ? v.raw.c_str() : "");
    c.out << line << v.decoded << "\n";
    for (const auto& [name, set] : v.bits)
      c.out << "       [" << (set ? 'x' : ' ') << "] " << name << "\n";
  }
}

// A CSV field: quoted when it holds a comma, a quote or a blank.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\" ") == std::string::npos)
    return text;
  std::string quoted = "\"";
  for (char ch : text)
    quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return quoted + "\"";
}

std::string CsvValue(const SbsValue& v) {
  if (!v.answered)
    return "not answered";
  if (v.number) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", *v.number);
    return text;
  }
  return v.command->kind == SbsKind::Flags ? v.raw : v.decoded;
}

void PrintCsvHeader(CliContext& c, const std::vector<SbsValue>& values) {
  c.out << "time_s";
  for (const SbsValue& v : values)
    c.out << "," << v.command->name << (v.unit.empty() ? "" : "_" + v.unit);
  c.out << "\n";
}

void PrintCsvRow(CliContext& c, double seconds, const std::vector<SbsValue>& values) {
  char time[32];
  std::snprintf(time, sizeof time, "%.3f", seconds);
  c.out << time;
  for (const SbsValue& v : values)
    c.out << "," << CsvField(CsvValue(v));
  c.out << "\n";
}

int RunSbs(CliContext& c, const SbsOptions& o) {
  const double startMs = c.platform.ClockMs();
  ordered_json rounds = ordered_json::array();
  bool anyAnswered = false;
  int done = 0;
  auto round = [&] {
    const std::vector<SbsValue> values = ReadSbsRegisters();
    for (const SbsValue& v : values)
      anyAnswered = anyAnswered || v.answered;
    const double seconds = (c.platform.ClockMs() - startMs) / 1000.0;
    if (c.options.json) {
      ordered_json registers = ordered_json::array();
      for (const SbsValue& v : values)
        registers.push_back(ValueJson(v));
      rounds.push_back({{"time_s", seconds}, {"registers", std::move(registers)}});
    } else if (o.csv) {
      if (done == 0)
        PrintCsvHeader(c, values);
      PrintCsvRow(c, seconds, values);
    } else {
      if (o.watchSeconds > 0.0)
        c.out << (done == 0 ? "" : "\n") << "round " << done + 1 << " at " << seconds << " s\n";
      PrintTable(c, values);
    }
    ++done;
  };

  round();
  if (o.watchSeconds > 0.0) {
    const auto intervalMs = static_cast<int32_t>(std::lround(o.watchSeconds * 1000.0));
    bool due = false;
    const int timer = c.platform.StartTimer(intervalMs, [&due] { due = true; });
    while (!c.platform.StopRequested() && (o.rounds == 0 || done < o.rounds)) {
      c.platform.DoEvents(std::min(o.watchSeconds, 0.2));  // a stop is seen within 0.2 s
      if (due && !c.platform.StopRequested()) {
        due = false;
        round();
        c.out.flush();
      }
    }
    c.platform.StopTimer(timer);
  }

  if (c.options.json) {
    ordered_json j;
    if (o.watchSeconds > 0.0)
      j["rounds"] = std::move(rounds);
    else
      j["registers"] = std::move(rounds[0]["registers"]);
    c.report.Result(std::move(j));
  }
  if (!anyAnswered) {
    c.report.Warn("the gauge answered none of the standard commands");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

void AddSbsCommand(CommandSet& commands) {
  auto o = std::make_shared<SbsOptions>();
  CLI::App& sbs = commands.Add(
      "sbs",
      "read every standard smart-battery command the gauge answers (0x00-0x23, 0x3C-0x3F), "
      "decoded, with the named bits of BatteryMode and BatteryStatus",
      [o](CliContext& c) { return RunSbs(c, *o); });
  CLI::Option* watch =
      sbs.add_option("--watch", o->watchSeconds, "read again every SECONDS until Ctrl-C")
          ->type_name("SECONDS")
          ->check(CLI::Range(0.1, 86400.0));
  sbs.add_option("--rounds", o->rounds, "with --watch: stop after N rounds")
      ->type_name("N")
      ->check(CLI::Range(1, 1000000))
      ->needs(watch);
  CLI::Option* csv = sbs.add_flag("--csv", o->csv, "one CSV row per round instead of the table");
  if (CLI::App* tool = sbs.get_parent()) {
    if (CLI::Option* json = tool->get_option_no_throw("--json"))
      csv->excludes(json);
  }
}

}  // namespace gaugecal::cli
