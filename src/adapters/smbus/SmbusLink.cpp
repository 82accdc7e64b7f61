#include "adapters/smbus/SmbusLink.h"

#include <algorithm>

#include "adapters/smbus/Frames.h"
#include "platform/Platform.h"

namespace gaugecal::adapters {

namespace {

bool InRange(int16_t command, int16_t address) {
  return command >= 0 && command <= 0xFF && address >= 0 && address <= 0x7F;
}

}  // namespace

int32_t SmbusLink::Queue(BusError error) {
  const auto status = static_cast<int32_t>(error);
  if (status != 0)
    errors_.push_back(status);
  return status;
}

int32_t SmbusLink::ReadWordStatus(int16_t command, int16_t address, uint16_t& word) {
  if (!InRange(command, address))
    return Queue(BusError::BadRequest);
  return Queue(ReadWord(static_cast<uint8_t>(address), static_cast<uint8_t>(command), word));
}

int32_t SmbusLink::WriteWordStatus(int16_t command, int16_t address, uint16_t word) {
  if (!InRange(command, address))
    return Queue(BusError::BadRequest);
  return Queue(WriteWord(static_cast<uint8_t>(address), static_cast<uint8_t>(command), word));
}

int32_t SmbusLink::ReadBlockStatus(int16_t command, int16_t address, std::vector<uint8_t>& data) {
  if (!InRange(command, address))
    return Queue(BusError::BadRequest);
  return Queue(ReadBlock(static_cast<uint8_t>(address), static_cast<uint8_t>(command), data));
}

int32_t SmbusLink::ReadSMBusWord(int16_t command, uint8_t& msb, uint8_t& lsb, int16_t address) {
  uint16_t word = 0;
  const int32_t status = ReadWordStatus(command, address, word);
  if (status == 0) {
    msb = static_cast<uint8_t>(word >> 8);
    lsb = static_cast<uint8_t>(word & 0xFF);
  }
  return status;
}

int32_t SmbusLink::ReadSMBusWord_(int16_t command, int16_t& word, int16_t address) {
  uint16_t value = 0;
  const int32_t status = ReadWordStatus(command, address, value);
  if (status == 0)
    word = static_cast<int16_t>(value);
  return status;
}

int32_t SmbusLink::WriteSMBusWord(int16_t command, int16_t msb, uint8_t lsb, int16_t address) {
  return WriteWordStatus(command, address, static_cast<uint16_t>((msb & 0xFF) << 8 | lsb));
}

int32_t SmbusLink::WriteSMBusWord_(int16_t command, int16_t word, int16_t address) {
  return WriteWordStatus(command, address, static_cast<uint16_t>(word));
}

int32_t SmbusLink::ReadSMBusBlock_(int16_t command, std::span<uint8_t> buffer, int16_t& length,
                                   int16_t address) {
  std::vector<uint8_t> data;
  const int32_t status = ReadBlockStatus(command, address, data);
  std::copy_n(data.begin(), std::min(data.size(), buffer.size()), buffer.begin());
  length = static_cast<int16_t>(data.size());
  return status;
}

int32_t SmbusLink::ReadSMBusBlock(int16_t command, std::string& text, int16_t address) {
  std::vector<uint8_t> data;
  const int32_t status = ReadBlockStatus(command, address, data);
  if (status == 0)
    text.assign(data.begin(), data.end());
  return status;
}

int32_t SmbusLink::WriteSMBusBlock(int16_t command, std::span<const uint8_t> buffer, int16_t length,
                                   int16_t address) {
  const size_t n = std::min(buffer.size(), static_cast<size_t>(std::max<int16_t>(length, 0)));
  if (!InRange(command, address) || n > smbus::kLongBlockMax)
    return Queue(BusError::BadRequest);
  return Queue(
      WriteBlock(static_cast<uint8_t>(address), static_cast<uint8_t>(command), buffer.first(n)));
}

int32_t SmbusLink::CheckForError() {
  if (errors_.empty())
    return 0;
  const int32_t error = errors_.front();
  errors_.pop_front();
  return error;
}

int32_t SmbusLink::Delay(int16_t milliseconds) {
  platform_.PassTime(milliseconds);
  return 0;
}

}  // namespace gaugecal::adapters
