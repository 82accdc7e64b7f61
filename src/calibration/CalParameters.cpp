#include "calibration/CalParameters.h"

#include <cmath>

#include "device/Codecs.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

const DisplayItem* FindRow(const DisplayGroup& group, const std::string& name) {
  for (const DisplayItem& item : group.items) {
    if (!item.name.empty() && item.name == name)
      return &item;
  }
  return nullptr;
}

std::optional<double> RowNumber(const DisplayGroup& group, const std::string& name) {
  const DisplayItem* item = FindRow(group, name);
  if (item == nullptr)
    return std::nullopt;
  return ParseDecimal(item->value);
}

}  // namespace

std::optional<CalParam> FindCalParam(const CalRowRef& ref, size_t width) {
  const auto& table = Module().CalTable;
  if (ref.group < 0 || static_cast<size_t>(ref.group) >= table.size())
    return std::nullopt;
  const DisplayItem* item = FindRow(table[static_cast<size_t>(ref.group)], ref.name);
  if (item == nullptr)
    return std::nullopt;
  const auto position = ParseDecimal(item->position);
  if (!position)
    return std::nullopt;
  const auto p = RoundToInt32(*position);
  if (!p || *p < 0 || static_cast<size_t>(*p) + width > Module().calBuffer.size())
    return std::nullopt;
  return CalParam{item, static_cast<size_t>(*p)};
}

std::optional<double> ParamValue(const CalParam& param) {
  const auto shown = ParseDecimal(param.item->value);
  if (!shown || param.item->dataType != "F4")
    return shown;
  const auto& b = Module().calBuffer;
  const size_t p = param.offset;
  if (p + 4 > b.size())
    return shown;
  const double exact = DecodeF4({b[p], b[p + 1], b[p + 2], b[p + 3]});
  return FormatFixed3(exact) == FormatFixed3(*shown) ? exact : *shown;
}

std::optional<double> RawValue(const std::string& rowName) {
  return RowNumber(Module().LiveTable[kLiveRawCal], rowName);
}

std::optional<double> LiveTemperature(const std::string& rowName) {
  return RowNumber(Module().LiveTable[kLiveTemperatures], rowName);
}

std::string UnavailableParameterMessage(const CalRowRef& ref, const std::string& abort) {
  return std::string("Calibration parameter ") + ref.name +
         " is not available in the calibration Dataflash image.  " + abort;
}

void StoreU16(size_t offset, uint16_t value) {
  auto& b = Module().calBuffer;
  b.at(offset) = static_cast<uint8_t>(value >> 8);
  b.at(offset + 1) = static_cast<uint8_t>(value & 0xFF);
}

void StoreI16(size_t offset, int16_t value) {
  uint8_t msb = 0;
  uint8_t lsb = 0;
  Int16ToBytes(value, msb, lsb);
  StoreU16(offset, static_cast<uint16_t>(msb << 8 | lsb));
}

void StoreByte(size_t offset, uint8_t value) {
  Module().calBuffer.at(offset) = value;
}

void StoreF4(size_t offset, const std::array<uint8_t, 4>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    Module().calBuffer.at(offset + i) = bytes[i];
}

bool FitsF4(double value) {
  if (!std::isfinite(value) || value == 0.0)
    return false;
  int exponent = 0;
  std::frexp(value, &exponent);
  // One below the top so a mantissa that rounds up into the next power of two still fits.
  return exponent + 128 >= 0 && exponent + 128 <= 254;
}

void LoadCCOffsetSampleScale() {
  ModuleState& m = Module();
  for (const DisplayItem& item : m.CalTable[kCalGroupRn44k18].items) {
    if (item.name != "CC Offset Samples")
      continue;
    auto value = ParseDecimal(item.value);
    if (!value)
      value = ParseDecimal(item.defaultValue);
    const auto scale = value ? RoundToInt16(*value) : std::nullopt;
    if (scale)
      m.ccOffsetSampleScale = *scale;
    return;
  }
}

}  // namespace gaugecal
