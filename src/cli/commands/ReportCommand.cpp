// report ID | --serial S [--out FILE]: the calibration certificate of a record (the newest
// calibration of the serial with --serial) as one self-contained HTML page, to FILE or stdout
// (--json: {"id", "file"}, and "html" without --out).

#include <CLI/CLI.hpp>
#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "records/RecordStore.h"
#include "session/Certificate.h"

namespace gaugecal::cli {

namespace {

struct ReportOptions {
  std::string id;
  int serial = -1;
  std::string out;
};

int RunCertificate(CliContext& c, const ReportOptions& o) {
  if (o.id.empty() == (o.serial < 0)) {
    c.report.Error("report needs a record ID or --serial S, not both");
    return kExitUsage;
  }
  std::string error;
  const std::unique_ptr<records::RecordStore> store =
      records::OpenRecordStore(records::RecordsTarget(c.options.records), error);
  records::RecordFilter filter;
  filter.id = o.id;
  if (o.serial >= 0)
    filter.serial = o.serial;
  std::vector<records::Record> found;
  if (!store || !store->Query(filter, found, error)) {
    c.report.Error(error.empty() ? "--records none: there is no record store to read" : error);
    return kExitFailed;
  }
  // The newest calibration of the serial: a restore certifies nothing.
  const auto chosen = std::find_if(found.begin(), found.end(),
                                   [](const records::Record& r) { return r.action != "restore"; });
  if (chosen == found.end()) {
    c.report.Error(o.id.empty() ? "no calibration of serial " + std::to_string(o.serial) +
                                      " is on record in " + store->Name()
                                : "no record " + o.id + " in " + store->Name());
    return kExitFailed;
  }
  const std::string html = session::CertificateHtml(*chosen);
  if (!o.out.empty()) {
    std::ofstream file(o.out, std::ios::binary | std::ios::trunc);
    if (!(file << html) || !file.flush()) {
      c.report.Error("cannot write the certificate " + o.out);
      return kExitFailed;
    }
  }
  if (c.options.json) {
    nlohmann::ordered_json j = {{"id", chosen->id}, {"file", o.out}};
    if (o.out.empty())
      j["html"] = html;
    c.report.Result(std::move(j));
  } else if (o.out.empty()) {
    c.out << html;
  } else {
    c.out << "Certificate of record " << chosen->id << " written to " << o.out << "\n";
  }
  return kExitOk;
}

}  // namespace

void AddReportCommand(CommandSet& commands) {
  auto o = std::make_shared<ReportOptions>();
  CLI::App& command = commands.AddWithoutGauge(
      "report",
      "the calibration certificate of a record as one self-contained HTML page (A4 when "
      "printed)",
      [o](CliContext& c) { return RunCertificate(c, *o); });
  command.add_option("ID", o->id, "the record's id (gaugecal records lists them)");
  command.add_option("--serial", o->serial, "the newest calibration of this serial instead")
      ->check(CLI::Range(0, 65535));
  command.add_option("--out", o->out, "write the page to FILE instead of stdout")
      ->type_name("FILE");
}

}  // namespace gaugecal::cli
