// records [--serial S] [--since DATE] [--outcome O] [--csv]: the calibrations on record in the
// run's store, newest first (--json: {"records": [...]} with every field; --csv: one row per
// record with the main fields).

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "records/RecordStore.h"

namespace gaugecal::cli {

namespace {

struct RecordsOptions {
  int serial = -1;
  std::string since;
  std::string outcome;
  bool csv = false;
};

std::string Csv(const std::string& field) {
  if (field.find_first_of(",\"\n\r") == std::string::npos)
    return field;
  std::string quoted = "\"";
  for (char ch : field)
    quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return quoted + "\"";
}

std::string SerialText(const records::Record& r) {
  return r.serial ? std::to_string(*r.serial) : "";
}

void PrintCsv(CliContext& c, const std::vector<records::Record>& found) {
  c.out << "id,started,ended,station,operator,family,IdDevice,serial,manufactureDate,action,"
           "outcome,backup\n";
  for (const records::Record& r : found) {
    const std::vector<std::string> fields = {r.id,
                                             r.started,
                                             r.ended,
                                             r.station,
                                             r.operatorName,
                                             r.family,
                                             r.identification[0],
                                             SerialText(r),
                                             r.manufactureDate,
                                             r.action,
                                             r.outcome,
                                             r.backup};
    for (size_t i = 0; i < fields.size(); ++i)
      c.out << (i == 0 ? "" : ",") << Csv(fields[i]);
    c.out << "\n";
  }
}

void PrintText(CliContext& c, const std::vector<records::Record>& found) {
  if (found.empty()) {
    c.out << "No records.\n";
    return;
  }
  for (const records::Record& r : found) {
    c.out << r.started << "  " << r.outcome << "  " << r.action << "  " << r.family << " "
          << r.identification[0] << " serial " << (r.serial ? SerialText(r) : "?") << "  "
          << r.station << "/" << r.operatorName << "  " << r.id << "\n";
  }
}

int RunRecords(CliContext& c, const RecordsOptions& o) {
  const std::string target = records::RecordsTarget(c.options.records);
  std::vector<records::Record> found;
  const bool url = target.rfind("postgres", 0) == 0;
  if (target == "none") {
    c.report.Error("--records none: there is no record store to read");
    return kExitUsage;
  }
  // A station that has not calibrated yet has no file, and reading does not create one.
  if (url || std::filesystem::exists(target)) {
    std::string error;
    const std::unique_ptr<records::RecordStore> store = records::OpenRecordStore(target, error);
    records::RecordFilter filter;
    if (o.serial >= 0)
      filter.serial = o.serial;
    filter.since = o.since;
    filter.outcome = o.outcome;
    if (!store || !store->Query(filter, found, error)) {
      c.report.Error(error);
      return kExitFailed;
    }
  }
  if (c.options.json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const records::Record& r : found)
      list.push_back(records::ToJson(r));
    c.report.Result({{"records", list}});
  } else if (o.csv) {
    PrintCsv(c, found);
  } else {
    PrintText(c, found);
  }
  return kExitOk;
}

// "YYYY-MM-DD", optionally followed by a time ("T15:20", ...).
CLI::Validator IsoDate() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        return records::IsIsoDate(value)
                   ? ""
                   : "expected a date YYYY-MM-DD (UTC), got \"" + value + "\"";
      },
      "DATE");
}

}  // namespace

void AddRecordsCommand(CommandSet& commands) {
  auto o = std::make_shared<RecordsOptions>();
  CLI::App& command = commands.AddWithoutGauge(
      "records", "list the calibrations on record in the record store (--records), newest first",
      [o](CliContext& c) { return RunRecords(c, *o); });
  command.add_option("--serial", o->serial, "only the gauge with this serial number")
      ->check(CLI::Range(0, 65535));
  command.add_option("--since", o->since, "only records started on or after DATE (UTC)")
      ->check(IsoDate());
  command.add_option("--outcome", o->outcome, "only records with this outcome")
      ->check(CLI::IsMember(std::vector<std::string>{"pass", "fail", "refused", "interrupted"}));
  command.add_flag("--csv", o->csv, "one comma-separated row per record with the main fields");
}

}  // namespace gaugecal::cli
