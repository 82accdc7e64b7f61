#pragma once
// The host's communication object: every SMBus transfer the plug-in makes goes through one of
// these nine members. Out-values are passed by reference; every member returns a 32-bit status,
// 0 for success and any other value for failure (no non-zero value has a meaning of its own).
// Implementations: the simulated gauges (sim/), real bus adapters (adapters/), the tracing
// decorator and scripted doubles in tests.

#include <cstdint>
#include <span>
#include <string>

namespace gaugecal {

class HostLink {
 public:
  virtual ~HostLink() = default;

  // Read word, split into its high and low byte.
  virtual int32_t ReadSMBusWord(int16_t command, uint8_t& msb, uint8_t& lsb, int16_t address) = 0;
  // Read word as one signed 16-bit value.
  virtual int32_t ReadSMBusWord_(int16_t command, int16_t& word, int16_t address) = 0;
  // Write word given as high and low byte.
  virtual int32_t WriteSMBusWord(int16_t command, int16_t msb, uint8_t lsb, int16_t address) = 0;
  // Write word (manufacturer access subcommands, data flash subclass selection).
  virtual int32_t WriteSMBusWord_(int16_t command, int16_t word, int16_t address) = 0;
  // Block read: the data bytes (no count byte) go to buffer[0..]; never more than the buffer
  // holds. length receives the number of bytes the device sent, which may exceed the buffer.
  virtual int32_t ReadSMBusBlock_(int16_t command, std::span<uint8_t> buffer, int16_t& length,
                                  int16_t address) = 0;
  // Block read delivered as text, one character per byte.
  virtual int32_t ReadSMBusBlock(int16_t command, std::string& text, int16_t address) = 0;
  // Block write of length bytes from buffer[0..]; length is limited to the buffer's size.
  virtual int32_t WriteSMBusBlock(int16_t command, std::span<const uint8_t> buffer, int16_t length,
                                  int16_t address) = 0;
  // Non-zero while host errors are pending; each call takes one off the queue.
  virtual int32_t CheckForError() = 0;
  // Host-side wait.
  virtual int32_t Delay(int16_t milliseconds) = 0;
};

}  // namespace gaugecal
