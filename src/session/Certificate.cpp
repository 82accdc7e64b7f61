#include "session/Certificate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <vector>

namespace gaugecal::session {

namespace {

constexpr int kChartWidth = 640;
constexpr int kLabelWidth = 170;
constexpr int kRowHeight = 34;

std::string Escaped(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

std::string Fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// One quantity of the certificate: its reference, the readings as found and as left.
struct Quantity {
  std::string name, unit, errorUnit;
  double reference = 0.0, target = 0.0;
  bool found = false, left = false, within = false;
  double foundReading = 0.0, foundError = 0.0, leftReading = 0.0, leftError = 0.0;
};

double Number(const nlohmann::ordered_json& j, const char* key) {
  return j.contains(key) && j[key].is_number() ? j[key].get<double>() : 0.0;
}

std::string Text(const nlohmann::ordered_json& j, const char* key) {
  return j.contains(key) && j[key].is_string() ? j[key].get<std::string>() : "";
}

std::vector<Quantity> Quantities(const records::Record& r) {
  std::vector<Quantity> list;
  const auto entry = [&list](const nlohmann::ordered_json& q) -> Quantity& {
    const std::string name = Text(q, "quantity");
    for (Quantity& known : list) {
      if (known.name == name)
        return known;
    }
    list.push_back(
        {name, Text(q, "unit"), Text(q, "errorUnit"), Number(q, "reference"), Number(q, "target")});
    return list.back();
  };
  for (const auto& q : r.asFound) {
    Quantity& e = entry(q);
    e.found = true;
    e.foundReading = Number(q, "reading");
    e.foundError = Number(q, "error");
  }
  for (const auto& q : r.check) {
    Quantity& e = entry(q);
    e.left = true;
    e.leftReading = Number(q, "reading");
    e.leftError = Number(q, "error");
    e.within = q.value("within", false);
  }
  return list;
}

// The errors as found and as left of each quantity against its target, all on one scale of
// "times the target", so quantities of any unit share the chart.
std::string Chart(const std::vector<Quantity>& list) {
  double widest = 1.0;
  for (const Quantity& q : list) {
    if (q.target > 0.0)
      widest =
          std::max({widest, std::fabs(q.foundError) / q.target, std::fabs(q.leftError) / q.target});
  }
  widest = std::ceil(widest);
  const int plot = kChartWidth - kLabelWidth - 20;
  const int height = kRowHeight * static_cast<int>(list.size()) + 54;
  const auto x = [&](double times) {
    return kLabelWidth + static_cast<int>(std::lround(times / widest * plot));
  };
  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kChartWidth << "\" height=\""
      << height << "\" viewBox=\"0 0 " << kChartWidth << " " << height
      << "\" role=\"img\" aria-label=\"errors before and after calibration against their "
         "targets\" font-family=\"sans-serif\" font-size=\"12\">\n";
  for (size_t i = 0; i < list.size(); ++i) {
    const Quantity& q = list[i];
    const int top = 10 + kRowHeight * static_cast<int>(i);
    const double scale = q.target > 0.0 ? q.target : 1.0;
    svg << "<text x=\"4\" y=\"" << top + 17 << "\">" << Escaped(q.name) << "</text>\n";
    if (q.found)
      svg << "<rect class=\"found\" x=\"" << kLabelWidth << "\" y=\"" << top + 4 << "\" width=\""
          << x(std::fabs(q.foundError) / scale) - kLabelWidth
          << "\" height=\"10\" fill=\"#b0b0b0\"/>\n";
    if (q.left)
      svg << "<rect class=\"left\" x=\"" << kLabelWidth << "\" y=\"" << top + 16 << "\" width=\""
          << x(std::fabs(q.leftError) / scale) - kLabelWidth << "\" height=\"10\" fill=\""
          << (q.within ? "#1b8a2e" : "#c0392b") << "\"/>\n";
  }
  const int bottom = height - 40;
  svg << "<line x1=\"" << x(1.0) << "\" y1=\"6\" x2=\"" << x(1.0) << "\" y2=\"" << bottom
      << "\" stroke=\"#000\" stroke-dasharray=\"4 3\"/>\n"
      << "<text x=\"" << x(1.0) + 3 << "\" y=\"" << bottom + 14 << "\">target</text>\n"
      << "<text x=\"" << kLabelWidth << "\" y=\"" << bottom + 30
      << "\">|error| / target (grey: as found, colour: as left), 0 to " << widest
      << "</text>\n</svg>\n";
  return svg.str();
}

}  // namespace

std::string CertificateHtml(const records::Record& r) {
  const std::vector<Quantity> list = Quantities(r);
  std::set<std::string> instruments;
  for (const auto& ref : r.references) {
    if (Text(ref, "source") == "measured")
      instruments.insert(Text(ref, "instrument"));
  }
  std::ostringstream html;
  const auto row = [&html](const std::string& name, const std::string& value) {
    html << "<tr><th>" << Escaped(name) << "</th><td>" << Escaped(value) << "</td></tr>\n";
  };
  html << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
       << "<title>Calibration certificate " << Escaped(r.id) << "</title>\n<style>\n"
       << "body { font-family: sans-serif; margin: 2em; color: #000; }\n"
       << "table { border-collapse: collapse; margin-bottom: 1.2em; }\n"
       << "th, td { border: 1px solid #888; padding: 0.25em 0.6em; text-align: left; }\n"
       << "td.num { text-align: right; white-space: nowrap; }\n.pass { color: #1b8a2e; } .fail { "
          "color: #c0392b; }\n"
       << "@page { size: A4; margin: 18mm; }\n"
       << "@media print { body { margin: 0; font-size: 10pt; } svg { max-width: 100%; } }\n"
       << "</style>\n</head>\n<body>\n<h1>Calibration certificate</h1>\n<h2>Gauge</h2>\n<table>\n";
  row("Family", r.family);
  row("Identification", r.identification[0] + " " + r.identification[1] + " " +
                            r.identification[2] + " " + r.identification[3]);
  row("Serial number", r.serial ? std::to_string(*r.serial) : "not read");
  row("Manufacture date", r.manufactureDate.empty() ? "not read" : r.manufactureDate);
  html << "</table>\n<h2>Calibration</h2>\n<table>\n";
  row("Action", r.action);
  row("Outcome", r.outcome);
  row("Station", r.station);
  row("Operator", r.operatorName);
  row("Started (UTC)", r.started);
  row("Ended (UTC)", r.ended);
  row("Tool version", "gaugecal " + r.toolVersion);
  row("Adapter", r.adapter);
  row("Record", r.id);
  std::string from = "typed by the operator";
  if (!instruments.empty()) {
    from.clear();
    for (const std::string& instrument : instruments)
      from += (from.empty() ? "" : "; ") + instrument;
  }
  row("References", from);
  html << "</table>\n<h2>Results</h2>\n";
  if (list.empty()) {
    html << "<p>No quantity of this action is read back against a reference.</p>\n";
  } else {
    html << "<table>\n<tr><th>Quantity</th><th>Reference</th><th>As found</th><th>Error</th>"
         << "<th>As left</th><th>Error</th><th>Target</th><th>Result</th></tr>\n";
    for (const Quantity& q : list) {
      const std::string eu = q.errorUnit == "%" ? " %" : " " + q.errorUnit;
      html << "<tr><td>" << Escaped(q.name) << "</td><td class=\"num\">" << Fixed(q.reference, 1)
           << " " << Escaped(q.unit) << "</td><td class=\"num\">"
           << (q.found ? Fixed(q.foundReading, 1) + " " + q.unit : "") << "</td><td class=\"num\">"
           << (q.found ? Fixed(q.foundError, 2) + eu : "") << "</td><td class=\"num\">"
           << (q.left ? Fixed(q.leftReading, 1) + " " + q.unit : "") << "</td><td class=\"num\">"
           << (q.left ? Fixed(q.leftError, 2) + eu : "") << "</td><td class=\"num\">"
           << Fixed(q.target, 2) << eu << "</td><td class=\"" << (q.within ? "pass" : "fail")
           << "\">"
           << (!q.left    ? "not checked"
               : q.within ? "pass"
                          : "fail")
           << "</td></tr>\n";
    }
    html << "</table>\n" << Chart(list);
  }
  html << "</body>\n</html>\n";
  return html.str();
}

}  // namespace gaugecal::session
