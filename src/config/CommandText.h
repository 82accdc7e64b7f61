#pragma once
// The command texts of config.ini that say how a sensor is read: "MAC" or "SBS", a comma and
// the command number (PackVoltageReadCommand=SBS,90).

#include <cstdint>
#include <string>

namespace gaugecal {

enum class CommandTextCheck {
  Ok,
  BadFormat,   // neither a comma nor both "MAC" and "SBS"
  OutOfRange,  // the command number is outside the allowed range
  NoNumber,    // there is no field after the first comma
  NotNumeric,  // the field after the first comma is not a decimal number
  TooLarge,    // the number does not fit a 16-bit field
};

// Format check (letter case ignored), then the second comma-separated field as a decimal
// number rounded to the nearest whole number (halves to even), which must lie in low..high.
CommandTextCheck CheckCommandText(const std::string& text, int16_t low, int16_t high);

}  // namespace gaugecal
