#pragma once
// Scenario files: JSON objects whose keys override the built-in scenario of a family
// (docs/sim.md lists them). Every problem (not JSON, a wrong type, an unknown key or family,
// a value out of range) comes back as one message that names the file and the key.

#include <optional>
#include <string>

#include "sim/Scenario.h"

namespace gaugecal::sim {

// text: the JSON; source: the file name for messages; baseDir: where a relative
// "dataFlashFile" lives. The scenario starts as the built-in one of the family the text names
// in "family", else of adapterFamily. With an adapterFamily, a different "family" is an error;
// without one, "family" is required.
std::optional<Scenario> ParseScenario(const std::string& text, const std::string& source,
                                      std::optional<DfType> adapterFamily,
                                      const std::string& baseDir, std::string& error);

// Largest scenario file read.
constexpr size_t kMaxScenarioBytes = 1024 * 1024;

// Reads and parses a scenario file; a relative "dataFlashFile" is taken from the file's
// directory. A file that is not a regular file or is too large is refused with the reason.
std::optional<Scenario> LoadScenarioFile(const std::string& path,
                                         std::optional<DfType> adapterFamily, std::string& error);

// The name a fault kind has in scenario files ("nack", "shortBlock", ...).
const char* FaultKindName(FaultKind kind);

// The persistence file a scenario file names, as the gauge will find it; empty when there is
// none or the file cannot be read.
std::string ScenarioDataFlashFile(const std::string& path);

}  // namespace gaugecal::sim
