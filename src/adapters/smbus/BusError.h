#pragma once
// What went wrong with one SMBus transfer, as every adapter reports it: the status the
// host-link member returns and the host error CheckForError then reports once. NoAnswer and
// Nack keep the simulated gauge's codes, so a refused transfer reads the same on every adapter.

#include <cstdint>

namespace gaugecal::adapters {

enum class BusError : int32_t {
  None = 0,
  NoAnswer = 0x11,         // nobody acknowledged the address
  Nack = 0x12,             // the device refused the command or its data
  Timeout = 0x13,          // the transfer did not complete in time and was cancelled
  ShortAnswer = 0x14,      // fewer bytes arrived than the answer needs
  PecMismatch = 0x15,      // the packet error code did not match the bytes
  ArbitrationLost = 0x16,  // another bus master took the bus
  DeviceGone = 0x17,       // the adapter went away (unplugged)
  TooLong = 0x18,          // the adapter cannot carry this transfer (too long, or no such kind)
  BadRequest = 0x19,       // address, command or length out of range
  Io = 0x1A,               // any other failure of the adapter
};

// One line for a warning: "no answer at the address", ...
const char* Describe(BusError error);

}  // namespace gaugecal::adapters
