#include "device/TracingHostLink.h"

#include <algorithm>

namespace gaugecal {

int32_t TracingHostLink::ReadSMBusWord(int16_t command, uint8_t& msb, uint8_t& lsb,
                                       int16_t address) {
  const int32_t status = inner_.ReadSMBusWord(command, msb, lsb, address);
  trace_.Record({.op = "ReadSMBusWord",
                 .cmd = command,
                 .addr = address,
                 .msb = msb,
                 .lsb = lsb,
                 .status = status});
  return status;
}

int32_t TracingHostLink::ReadSMBusWord_(int16_t command, int16_t& word, int16_t address) {
  const int32_t status = inner_.ReadSMBusWord_(command, word, address);
  trace_.Record(
      {.op = "ReadSMBusWord_", .cmd = command, .addr = address, .word = word, .status = status});
  return status;
}

int32_t TracingHostLink::WriteSMBusWord(int16_t command, int16_t msb, uint8_t lsb,
                                        int16_t address) {
  const int32_t status = inner_.WriteSMBusWord(command, msb, lsb, address);
  trace_.Record({.op = "WriteSMBusWord",
                 .cmd = command,
                 .addr = address,
                 .msb = msb,
                 .lsb = lsb,
                 .status = status});
  return status;
}

int32_t TracingHostLink::WriteSMBusWord_(int16_t command, int16_t word, int16_t address) {
  const int32_t status = inner_.WriteSMBusWord_(command, word, address);
  trace_.Record(
      {.op = "WriteSMBusWord_", .cmd = command, .addr = address, .word = word, .status = status});
  return status;
}

int32_t TracingHostLink::ReadSMBusBlock_(int16_t command, std::span<uint8_t> buffer,
                                         int16_t& length, int16_t address) {
  const int32_t status = inner_.ReadSMBusBlock_(command, buffer, length, address);
  const size_t shown =
      std::min<size_t>(buffer.size(), static_cast<size_t>(std::max<int16_t>(length, 0)));
  trace_.Record({.op = "ReadSMBusBlock_",
                 .cmd = command,
                 .addr = address,
                 .data = TraceLog::Hex(buffer.first(shown)),
                 .len = length,
                 .status = status});
  return status;
}

int32_t TracingHostLink::ReadSMBusBlock(int16_t command, std::string& text, int16_t address) {
  const int32_t status = inner_.ReadSMBusBlock(command, text, address);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  trace_.Record({.op = "ReadSMBusBlock",
                 .cmd = command,
                 .addr = address,
                 .data = TraceLog::Hex({bytes, text.size()}),
                 .len = static_cast<int32_t>(text.size()),
                 .status = status});
  return status;
}

int32_t TracingHostLink::WriteSMBusBlock(int16_t command, std::span<const uint8_t> buffer,
                                         int16_t length, int16_t address) {
  const int32_t status = inner_.WriteSMBusBlock(command, buffer, length, address);
  const size_t sent =
      std::min<size_t>(buffer.size(), static_cast<size_t>(std::max<int16_t>(length, 0)));
  trace_.Record({.op = "WriteSMBusBlock",
                 .cmd = command,
                 .addr = address,
                 .data = TraceLog::Hex(buffer.first(sent)),
                 .len = static_cast<int32_t>(sent),
                 .status = status});
  return status;
}

int32_t TracingHostLink::CheckForError() {
  const int32_t status = inner_.CheckForError();
  trace_.Record({.op = "CheckForError", .status = status});
  return status;
}

int32_t TracingHostLink::Delay(int16_t milliseconds) {
  const int32_t status = inner_.Delay(milliseconds);
  trace_.Record({.op = "Delay", .status = status, .ms = static_cast<double>(milliseconds)});
  return status;
}

}  // namespace gaugecal
