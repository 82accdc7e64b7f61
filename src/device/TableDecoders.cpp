#include "device/TableDecoders.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "device/Codecs.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

// Byte position of a row: its position text as a number plus base, rounded halves to even.
std::optional<size_t> RowPosition(const DisplayItem& item, int base, size_t width,
                                  size_t bufferSize) {
  const auto offset = ParseDecimal(item.position);
  if (!offset)
    return std::nullopt;
  const auto p = RoundToInt32(*offset + base);
  if (!p || *p < 0 || static_cast<size_t>(*p) + width > bufferSize)
    return std::nullopt;
  return static_cast<size_t>(*p);
}

// A float of the gauge's as a person writes it: exactly when nine digits hold it (280932.625),
// else the shortest decimal that reads back as the same 24-bit mantissa (0.9419, not
// 0.9419000148773193).
double ShortestF4(double value) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%.9g", value);
  if (std::strtod(text.data(), nullptr) == value)
    return value;
  const auto end =
      std::to_chars(text.data(), text.data() + text.size() - 1, static_cast<float>(value));
  *end.ptr = '\0';
  return std::strtod(text.data(), nullptr);
}

std::optional<double> NumberBigEndian(const std::string& type, std::span<const uint8_t> b,
                                      size_t p) {
  if (type == "F4")
    return ShortestF4(DecodeF4({b[p], b[p + 1], b[p + 2], b[p + 3]}));
  if (type == "U1")
    return b[p];
  if (type == "U2")
    return b[p] * 256 + b[p + 1];
  if (type == "I1")
    return static_cast<int8_t>(b[p]);
  if (type == "I2")
    return BytesToInt16(b[p], b[p + 1]);
  return std::nullopt;
}

std::optional<std::string> DecodeBigEndian(const std::string& type, std::span<const uint8_t> b,
                                           size_t p) {
  if (type == "U1")
    return std::to_string(b[p]);
  if (type == "U2")
    return std::to_string(b[p] * 256 + b[p + 1]);
  if (type == "I1")
    return std::to_string(static_cast<int8_t>(b[p]));
  if (type == "I2")
    return std::to_string(BytesToInt16(b[p], b[p + 1]));
  if (type == "F4")
    return FormatFixed3(DecodeF4({b[p], b[p + 1], b[p + 2], b[p + 3]}));
  return std::nullopt;
}

size_t WidthOf(const std::string& type) {
  if (type == "U1" || type == "I1")
    return 1;
  if (type == "F4")
    return 4;
  return 2;
}

// Little-endian decode of one manufacturer-block row; nothing for an unknown type.
std::optional<std::string> DecodeLittleEndian(const std::string& type, std::span<const uint8_t> b,
                                              size_t p, bool withTemperature) {
  if (type == "U1")
    return std::to_string(b[p]);
  if (type == "U2")
    return std::to_string(b[p + 1] * 256 + b[p]);
  if (type == "I2")
    return std::to_string(BytesToInt16(b[p + 1], b[p]));
  if (withTemperature && type == "T2") {
    return Format00_0((b[p + 1] * 256 + b[p] - 2732) / 10.0);
  }
  return std::nullopt;
}

void DecodeGroupRow(int16_t group, int16_t row, std::span<const uint8_t> buffer,
                    bool withTemperature, const char* unknownMessage) {
  auto& live = Module().LiveTable;
  if (group < 0 || group >= static_cast<int16_t>(live.size()) || row < 0 || row >= 16)
    return;
  DisplayItem& item = live[group].items[row];
  const bool known = item.dataType == "U1" || item.dataType == "U2" || item.dataType == "I2" ||
                     (withTemperature && item.dataType == "T2");
  if (!known) {
    ShowMessage(unknownMessage);
    return;
  }
  const auto p = RowPosition(item, 0, WidthOf(item.dataType), buffer.size());
  if (!p)
    return;
  if (auto text = DecodeLittleEndian(item.dataType, buffer, *p, withTemperature)) {
    item.value = *text;
  }
}

}  // namespace

int CalGroupForFamily() {
  const CalConfig& c = Module().calConfig;
  if (c.UseDataflashMap)
    return kCalGroupRn44k18;
  switch (c.DFType) {
    case DfType::CEDV:
      return kCalGroupCedv;
    case DfType::QSPAN:
      return kCalGroupQspan;
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      break;
  }
  return kCalGroupRn44k18;
}

namespace {

// Where the calibration table's positions count from in the local calibration buffer. The
// base follows the family's reader, which laid out the buffer (32-byte rows, 64-byte pages or
// a subclass from byte 0), also when the data flash map picks group 0.
int CalBufferBase() {
  const ModuleState& m = Module();
  switch (m.calConfig.DFType) {
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      return m.calDataFlashAddress % 32;
    case DfType::CEDV:
      return m.calDataFlashAddress % 64;
    case DfType::QSPAN:
      break;
  }
  return 0;
}

}  // namespace

void TransferCalBufferToTable() {
  ModuleState& m = Module();
  const int base = CalBufferBase();
  for (DisplayItem& item : m.CalTable[CalGroupForFamily()].items) {
    if (item.name.empty())
      continue;
    const auto p = RowPosition(item, base, WidthOf(item.dataType), m.calBuffer.size());
    if (!p)
      continue;
    if (auto text = DecodeBigEndian(item.dataType, m.calBuffer, *p))
      item.value = *text;
  }
}

std::vector<CalValue> CalTableValues() {
  const ModuleState& m = Module();
  const int base = CalBufferBase();
  std::vector<CalValue> values;
  for (const DisplayItem& item : m.CalTable[CalGroupForFamily()].items) {
    if (item.name.empty() || !item.shown)
      continue;
    const auto p = RowPosition(item, base, WidthOf(item.dataType), m.calBuffer.size());
    if (!p)
      continue;
    if (const auto number = NumberBigEndian(item.dataType, m.calBuffer, *p))
      values.push_back({item.name, item.gridRow, *number});
  }
  return values;
}

void DecodeMODRow(int16_t group, int16_t row, std::span<const uint8_t> buffer) {
  DecodeGroupRow(group, row, buffer, true, "Unknown data type");
}

void DecodeMODRowToLocal(int16_t group, int16_t row, std::span<const uint8_t> buffer) {
  DecodeGroupRow(group, row, buffer, false, "Unknown data type reading data into local structure.");
}

}  // namespace gaugecal
