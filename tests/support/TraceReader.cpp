#include "support/TraceReader.h"

#include <algorithm>
#include <sstream>

namespace gaugecal::test {

std::vector<nlohmann::json> ParseTrace(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty())
      lines.push_back(nlohmann::json::parse(line));
  }
  return lines;
}

std::vector<nlohmann::json> TraceOps(const std::vector<nlohmann::json>& trace,
                                     const std::vector<std::string>& ops) {
  std::vector<nlohmann::json> out;
  for (const auto& e : trace) {
    if (std::find(ops.begin(), ops.end(), e.value("op", "")) != ops.end())
      out.push_back(e);
  }
  return out;
}

}  // namespace gaugecal::test
