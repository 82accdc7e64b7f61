#pragma once
// Decorator that records every host-link call in the bus trace, then forwards it.

#include "device/HostLink.h"
#include "platform/TraceLog.h"

namespace gaugecal {

class TracingHostLink : public HostLink {
 public:
  TracingHostLink(HostLink& inner, TraceLog& trace) : inner_(inner), trace_(trace) {}

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
  HostLink& inner_;
  TraceLog& trace_;
};

}  // namespace gaugecal
