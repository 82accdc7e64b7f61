#pragma once
// The "Registers" pane as a presentation model: the standard commands of the last reading,
// one row each (command, name, raw word, decoded value) with the named bits of the flag words,
// read again after each reading of the calibration panel's scan while the pane is shown, and
// never while the panel runs a long action.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "device/SbsRegisters.h"

namespace gaugecal::panel {

struct RegisterRow {
  std::string command;  // "0x09"
  std::string name;
  std::string raw;    // the word, empty for blocks and commands not answered
  std::string value;  // decoded with its unit, or "not answered"
  std::vector<std::pair<std::string, bool>> bits;  // flag words: name, set
};

class RegistersPane {
 public:
  // Reads every standard command through the module's host link; the scan's reading number
  // scanned (its count of readings so far) counts as followed.
  void Read(uint64_t scanned);
  // After the scan took its reading number scanned (its count of readings): reads again when
  // that is a new one, the pane is shown and the panel is not busy; true when it read.
  bool FollowScan(uint64_t scanned, bool shown, bool busy);

  const std::vector<RegisterRow>& Rows() const { return rows_; }
  uint64_t Reads() const { return reads_; }

 private:
  std::vector<RegisterRow> rows_;
  uint64_t reads_ = 0;
  uint64_t followed_ = 0;
};

}  // namespace gaugecal::panel
