#pragma once
// The live values of the connected gauge as the calibration panel shows them: the voltage,
// temperature and current groups read through manufacturer access (RN44K18), or the
// measurements the other families report through standard commands, command strings of
// config.ini and, for CEDV_PLUS, a fresh raw calibration block.

#include <string>
#include <vector>

namespace gaugecal::cli {

struct LiveRow {
  std::string name;
  std::string value;  // "Err_Rd" or empty when the gauge did not answer
  std::string unit;
};

struct LiveGroup {
  std::string name;
  std::vector<LiveRow> rows;
};

// False when a read failed (its rows show "Err_Rd" or an empty value, or a message was shown).
bool ReadLiveGroups(std::vector<LiveGroup>& groups);

}  // namespace gaugecal::cli
