#pragma once
// The host-link members over the four SMBus transfers a driver makes: the marshalling of
// words and blocks into the members' arguments, the range checks, the host error queue
// (one pending error per failed transfer, taken off by CheckForError) and the host-side
// delay. Drivers implement the four transfers; a transfer is made once, never repeated here.

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "adapters/Adapter.h"
#include "adapters/smbus/BusError.h"

namespace gaugecal {
class Platform;
}

namespace gaugecal::adapters {

class SmbusLink : public Adapter {
 public:
  explicit SmbusLink(Platform& platform) : platform_(platform) {}

  int32_t ReadSMBusWord(int16_t command, uint8_t& msb, uint8_t& lsb, int16_t address) final;
  int32_t ReadSMBusWord_(int16_t command, int16_t& word, int16_t address) final;
  int32_t WriteSMBusWord(int16_t command, int16_t msb, uint8_t lsb, int16_t address) final;
  int32_t WriteSMBusWord_(int16_t command, int16_t word, int16_t address) final;
  int32_t ReadSMBusBlock_(int16_t command, std::span<uint8_t> buffer, int16_t& length,
                          int16_t address) final;
  int32_t ReadSMBusBlock(int16_t command, std::string& text, int16_t address) final;
  int32_t WriteSMBusBlock(int16_t command, std::span<const uint8_t> buffer, int16_t length,
                          int16_t address) final;
  int32_t CheckForError() final;
  int32_t Delay(int16_t milliseconds) final;

  size_t PendingErrors() const { return errors_.size(); }

 protected:
  virtual BusError ReadWord(uint8_t address, uint8_t command, uint16_t& word) = 0;
  virtual BusError WriteWord(uint8_t address, uint8_t command, uint16_t word) = 0;
  virtual BusError ReadBlock(uint8_t address, uint8_t command, std::vector<uint8_t>& data) = 0;
  virtual BusError WriteBlock(uint8_t address, uint8_t command, std::span<const uint8_t> data) = 0;

  Platform& platform() { return platform_; }

 private:
  // The status of a transfer; a failure also queues its host error.
  int32_t Queue(BusError error);
  int32_t ReadWordStatus(int16_t command, int16_t address, uint16_t& word);
  int32_t WriteWordStatus(int16_t command, int16_t address, uint16_t word);
  int32_t ReadBlockStatus(int16_t command, int16_t address, std::vector<uint8_t>& data);

  Platform& platform_;
  std::deque<int32_t> errors_;
};

}  // namespace gaugecal::adapters
