#include "session/RecordList.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>

#include "config/IniText.h"
#include "session/Certificate.h"

namespace gaugecal::session {

namespace {

constexpr int kLargestSerial = 65535;

}  // namespace

const std::vector<std::string>& RecordList::Outcomes() {
  static const std::vector<std::string> outcomes = {"", records::kPass, records::kFail,
                                                    records::kRefused, records::kInterrupted};
  return outcomes;
}

const std::vector<std::string>& RecordList::Columns() {
  static const std::vector<std::string> columns = {"Started (UTC)", "Serial",  "Gauge",   "Action",
                                                   "Outcome",       "Station", "Operator"};
  return columns;
}

bool RecordList::Query(const std::string& serial, const std::string& outcome,
                       const std::string& since, std::string& error) {
  records::RecordFilter filter;
  const std::string number = TrimBlanks(serial);
  if (!number.empty()) {
    int value = -1;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size() || value < 0 ||
        value > kLargestSerial) {
      error = "the serial number \"" + number + "\" is not a whole number from 0 to 65535";
      return false;
    }
    filter.serial = value;
  }
  const std::vector<std::string>& outcomes = Outcomes();
  if (std::find(outcomes.begin(), outcomes.end(), outcome) == outcomes.end()) {
    error = "no records have the outcome \"" + outcome + "\"";
    return false;
  }
  filter.outcome = outcome;
  filter.since = TrimBlanks(since);
  if (!filter.since.empty() && !records::IsIsoDate(filter.since)) {
    error = "expected a date YYYY-MM-DD (UTC), got \"" + filter.since + "\"";
    return false;
  }
  std::vector<records::Record> found;
  if (!store_.Query(filter, found, error))
    return false;
  found_ = std::move(found);
  return true;
}

std::vector<std::string> RecordList::Row(const records::Record& r) {
  return {r.started,
          r.serial ? std::to_string(*r.serial) : "",
          r.family + " " + r.identification[0],
          r.action,
          r.outcome,
          r.station,
          r.operatorName};
}

bool RecordList::WriteCertificate(size_t index, const std::string& folder, std::string& path,
                                  std::string& error) const {
  if (index >= found_.size()) {
    error = "no record is selected";
    return false;
  }
  const records::Record& r = found_[index];
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  path = (std::filesystem::path(folder) /
          ("certificate-" + (r.serial ? std::to_string(*r.serial) : std::string("unknown")) + "-" +
           r.id + ".html"))
             .string();
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!(file << CertificateHtml(r)) || !file.flush()) {
    error = "cannot write the certificate " + path;
    return false;
  }
  return true;
}

std::string CertificateFolder() {
  const std::string data = records::DataFolder();
  return data.empty() ? "" : data + "/certificates";
}

}  // namespace gaugecal::session
