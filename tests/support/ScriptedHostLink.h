#pragma once
// A host-link double for tests that need a few exact answers and no gauge model: answers are
// queued per member and command; the last queued answer of a key repeats. Every call is
// recorded as "Member:cmd" (or just "Member").

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "device/HostLink.h"

namespace gaugecal::test {

struct ScriptedAnswer {
  int32_t status = 0;
  std::vector<uint8_t> bytes;  // block data, or {low byte, high byte} of a word
};

class ScriptedHostLink : public HostLink {
 public:
  void Queue(const std::string& member, int16_t command, ScriptedAnswer answer);
  void QueueWord(const std::string& member, int16_t command, int16_t word, int32_t status = 0);
  // CheckForError answers, in order; afterwards it answers 0.
  std::deque<int32_t> pendingErrors;

  std::vector<std::string> calls;
  std::vector<std::vector<uint8_t>> writtenBlocks;

  int32_t ReadSMBusWord(int16_t command, uint8_t& msb, uint8_t& lsb, int16_t address) override;
  int32_t ReadSMBusWord_(int16_t command, int16_t& word, int16_t address) override;
  int32_t WriteSMBusWord(int16_t command, int16_t msb, uint8_t lsb, int16_t address) override;
  int32_t WriteSMBusWord_(int16_t command, int16_t word, int16_t address) override;
  int32_t ReadSMBusBlock_(int16_t command, std::span<uint8_t> buffer, int16_t& length,
                          int16_t address) override;
  int32_t ReadSMBusBlock(int16_t command, std::string& text, int16_t address) override;
  int32_t WriteSMBusBlock(int16_t command, std::span<const uint8_t> buffer, int16_t length,
                          int16_t address) override;
  int32_t CheckForError() override;
  int32_t Delay(int16_t milliseconds) override;

 private:
  ScriptedAnswer Next(const std::string& member, int16_t command);
  std::map<std::string, std::deque<ScriptedAnswer>> answers_;
};

}  // namespace gaugecal::test
