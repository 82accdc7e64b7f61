#pragma once
// A calibration certificate from a record: one self-contained HTML page (no external files,
// the chart as inline SVG, a print style sheet for A4) that any browser shows and prints.

#include <string>

#include "records/Record.h"

namespace gaugecal::session {

std::string CertificateHtml(const records::Record& record);

}  // namespace gaugecal::session
