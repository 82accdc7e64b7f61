#include "sim/GaugeFlash.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "device/Codecs.h"
#include "device/HexText.h"
#include "platform/BoundedFile.h"
#include "sim/GaugeFloat.h"

namespace gaugecal::sim {

namespace {

constexpr uint8_t kTs1SensorMap = 0x08;  // bit 3: the standard temperature command reports TS1

int64_t Saturate(double value, int64_t lo, int64_t hi) {
  const double r = std::nearbyint(value);
  if (!(r >= static_cast<double>(lo)))
    return lo;
  if (r > static_cast<double>(hi))
    return hi;
  return static_cast<int64_t>(r);
}

}  // namespace

GaugeFlash::GaugeFlash(DfType family, int cells, bool rowLayout)
    : layout_(&LayoutOf(family, rowLayout)), bytes_(layout_->size, 0x00) {
  for (const Param& p : layout_->params)
    Set(p, p.defaultValue);
  bytes_[CellBitsOffset(family)] = static_cast<uint8_t>(std::clamp(cells, 1, 4) - 1);
  if (TemperatureMapOffset(family) >= 0)
    bytes_[TemperatureMapOffset(family)] |= kTs1SensorMap;
}

double GaugeFlash::Get(const Param& p) const {
  const auto o = static_cast<size_t>(p.offset);
  switch (p.type) {
    case ParamType::U1:
      return bytes_[o];
    case ParamType::I1:
      return static_cast<int8_t>(bytes_[o]);
    case ParamType::U2:
      return bytes_[o] * 256 + bytes_[o + 1];
    case ParamType::I2:
      return static_cast<int16_t>(bytes_[o] << 8 | bytes_[o + 1]);
    case ParamType::F4:
      return GaugeFloatValue({bytes_[o], bytes_[o + 1], bytes_[o + 2], bytes_[o + 3]});
  }
  return 0.0;
}

void GaugeFlash::Set(const Param& p, double value) {
  const auto o = static_cast<size_t>(p.offset);
  switch (p.type) {
    case ParamType::U1:
      bytes_[o] = static_cast<uint8_t>(Saturate(value, 0, 255));
      break;
    case ParamType::I1:
      bytes_[o] = static_cast<uint8_t>(Saturate(value, -128, 127) & 0xFF);
      break;
    case ParamType::U2:
    case ParamType::I2: {
      const int64_t v = p.type == ParamType::U2 ? Saturate(value, 0, 65535)
                                                : Saturate(value, -32768, 32767) & 0xFFFF;
      bytes_[o] = static_cast<uint8_t>(v >> 8);
      bytes_[o + 1] = static_cast<uint8_t>(v & 0xFF);
      break;
    }
    case ParamType::F4: {
      const auto f = GaugeFloatBytes(value);
      std::copy(f.begin(), f.end(), bytes_.begin() + p.offset);
      break;
    }
  }
}

int GaugeFlash::ConfiguredCells() const {
  return (bytes_[CellBitsOffset(layout_->family)] & 3) + 1;
}

GaugeFlash::Range GaugeFlash::PageRange(int page) const {
  if (layout_->family != DfType::CEDV || page < 0 || page >= kPageCount)
    return {};
  return {static_cast<size_t>(page * kPageSize), kPageSize};
}

GaugeFlash::Range GaugeFlash::RowRange(int row) const {
  const bool rows = layout_->family == DfType::RN44K18 || layout_->family == DfType::CEDV_PLUS;
  if (!rows || row < 0 || row >= kRowCount)
    return {};
  return {static_cast<size_t>(row * kRowSize), kRowSize};
}

GaugeFlash::Range GaugeFlash::SubclassRange(int id) const {
  for (const Subclass& s : layout_->subclasses) {
    if (s.id == id)
      return {static_cast<size_t>(s.offset), static_cast<size_t>(s.length)};
  }
  return {};
}

bool GaugeFlash::LoadFile(const std::string& path, std::string& error, Fields* fields) {
  std::string text, problem;
  if (!ReadBoundedFile(path, kMaxFileBytes, text, problem)) {
    error = "data flash file " + path + " " + problem;
    return false;
  }
  std::istringstream in(text);
  std::string line, digits;
  while (std::getline(in, line)) {
    const size_t start = line.find_first_not_of(" \t\r");
    const size_t colon = line.find(':');
    if (start == std::string::npos || line[start] == '#')
      continue;
    if (colon == std::string::npos) {
      digits += line + "\n";
    } else if (fields) {
      const size_t value = line.find_first_not_of(" \t", colon + 1);
      const size_t end = line.find_last_not_of(" \t\r");
      fields->emplace_back(line.substr(start, colon - start),
                           value == std::string::npos ? "" : line.substr(value, end + 1 - value));
    }
  }
  std::vector<uint8_t> bytes;
  if (!ParseHexBytes(digits, bytes)) {
    error = "data flash file " + path + ": not hexadecimal byte text";
    return false;
  }
  // A QSPAN file from before the "Design" and "Charge" subclasses holds the first 48 bytes;
  // those two keep their defaults, and the next save writes the whole image.
  const size_t earlier = layout_->family == DfType::QSPAN ? kQspanEarlierImage : bytes_.size();
  if (bytes.size() == earlier && earlier < bytes_.size()) {
    std::copy(bytes.begin(), bytes.end(), bytes_.begin());
    return true;
  }
  if (bytes.size() != bytes_.size()) {
    error = "data flash file " + path + ": holds " + std::to_string(bytes.size()) + " bytes, the " +
            DfTypeName(layout_->family) + " gauge has " + std::to_string(bytes_.size());
    return false;
  }
  bytes_ = std::move(bytes);
  return true;
}

bool GaugeFlash::SaveFile(const std::string& path, std::string& error, const Fields& fields) const {
  std::ostringstream text;
  text << "# gaugecal simulated " << DfTypeName(layout_->family) << " data flash, " << bytes_.size()
       << " bytes\n";
  for (size_t i = 0; i < bytes_.size(); i += kRowSize) {
    const size_t n = std::min<size_t>(kRowSize, bytes_.size() - i);
    for (size_t k = 0; k < n; ++k)
      text << Hex2(bytes_[i + k]) << (k + 1 < n ? " " : "\n");
  }
  for (const auto& [name, value] : fields)
    text << name << ": " << value << "\n";
  std::ofstream out(path, std::ios::trunc);
  out << text.str();
  out.flush();
  if (!out) {
    error = "data flash file " + path + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace gaugecal::sim
