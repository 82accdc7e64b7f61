#pragma once
// One bus trace line (the JSON the --trace option writes) as a technician reads it: the time,
// the operation in words, address and command in hex with the command's name, the data in hex,
// the value in its unit where the command has one, and the status. No toolkit: the bus monitor
// shows the fields in its table columns.

#include <string>

namespace gaugecal::host {

struct TraceRow {
  std::string timeMs;   // "1234.567"
  std::string kind;     // "Read word", "Write block", "Sleep", "Wait", "Message", ...
  std::string address;  // "0x17"
  std::string command;  // "0x09 Voltage", "0x00 ManufacturerAccess 0x0054"
  std::string data;     // "0x0F3C", the block's bytes, the message text
  std::string value;    // "3900 mV", "25.0 degC (2982 x 0.1 K)", "50 ms"
  std::string status;   // "OK", "failed (3)"
};

// A line that is not a trace entry gives a row with the line itself as its data.
TraceRow DecodeTraceLine(const std::string& line);

}  // namespace gaugecal::host
