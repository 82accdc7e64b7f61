#pragma once
// The records pane of the window: the store's records under the filter the technician typed
// (serial, outcome, date), newest first, one row of texts each, and the certificate of any of
// them written as a file for the browser.

#include <cstddef>
#include <string>
#include <vector>

#include "records/RecordStore.h"

namespace gaugecal::session {

class RecordList {
 public:
  explicit RecordList(records::RecordStore& store) : store_(store) {}

  // The outcomes a filter picks from; "" is any.
  static const std::vector<std::string>& Outcomes();
  static const std::vector<std::string>& Columns();

  // Reads the records that pass the filter as typed: a serial number from 0 to 65535 (blank:
  // any), an outcome of Outcomes(), a date YYYY-MM-DD (blank: any). False with error for a
  // filter that is not one, or a store that cannot be read; what was found before stays.
  bool Query(const std::string& serial, const std::string& outcome, const std::string& since,
             std::string& error);
  const std::vector<records::Record>& Found() const { return found_; }
  // The texts of Columns() for a record found.
  static std::vector<std::string> Row(const records::Record& record);

  // Writes the certificate of the record found at index into folder (created when missing) as
  // certificate-<serial>-<id>.html; path receives the file. False with error otherwise.
  bool WriteCertificate(size_t index, const std::string& folder, std::string& path,
                        std::string& error) const;

 private:
  records::RecordStore& store_;
  std::vector<records::Record> found_;
};

// Where the window keeps the certificates it writes: the certificates folder beside the records.
std::string CertificateFolder();

}  // namespace gaugecal::session
