#pragma once
// Reads bus trace lines back for assertions.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace gaugecal::test {

std::vector<nlohmann::json> ParseTrace(const std::string& text);

// The trace entries whose op is one of the given names, in order.
std::vector<nlohmann::json> TraceOps(const std::vector<nlohmann::json>& trace,
                                     const std::vector<std::string>& ops);

}  // namespace gaugecal::test
