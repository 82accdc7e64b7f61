#pragma once
// What a technician typed, converted strictly: a decimal number (an optional sign, digits, a
// decimal point, an exponent; blanks around it) and, where the calibration needs an integer,
// rounded halves to even into a signed 16-bit value. Thousands separators, letters and empty
// boxes do not convert. A failed conversion throws InvalidEntry inside the click handler that
// converts, which shows the conversion message; it never leaves the panel.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace gaugecal::panel {

class Control;

struct InvalidEntry : std::runtime_error {
  using std::runtime_error::runtime_error;  // what(): the error description
};

// `what` names the entry for the description, e.g. "the actual voltage of Cell 1 + 2".
int16_t EntryInt16(const Control& box, const std::string& what);
double EntryDouble(const Control& box, const std::string& what);

// "Invalid value entered! Error description:" followed by the description.
std::string InvalidEntryMessage(const InvalidEntry& e);

}  // namespace gaugecal::panel
