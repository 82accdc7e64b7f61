#include "calibration/DfParameters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>

#include "device/Backup.h"
#include "device/Codecs.h"
#include "device/DataFlashBlocks.h"
#include "device/ManufacturerAccess.h"
#include "device/ModuleState.h"

namespace gaugecal {

namespace {

constexpr const char* kNothingWritten = " Nothing was written to the gauge.";
constexpr int16_t kSealedMode = 3;  // operation status bits 1..0

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

char Kind(const std::string& type) {
  return type.empty() ? '?' : type[0];
}

// A number as a user or a description writes it: decimal, or hexadecimal after "0x".
std::optional<double> ParseNumber(const std::string& text) {
  const size_t start = text.find_first_not_of(' ');
  if (start != std::string::npos && text.compare(start, 2, "0x") == 0 && text.size() > start + 2) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str() + start + 2, &end, 16);
    if (*end == '\0' && text[start + 2] != '-' && text[start + 2] != '+')
      return static_cast<double>(v);
    return std::nullopt;
  }
  return ParseDecimal(text);
}

// The values the type can hold.
std::pair<double, double> TypeLimits(const std::string& type) {
  const int bits = 8 * DfTypeSize(type);
  if (Kind(type) == 'F')
    return {-std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
  if (Kind(type) == 'I')
    return {-std::ldexp(1.0, bits - 1), std::ldexp(1.0, bits - 1) - 1};
  return {0.0, std::ldexp(1.0, bits) - 1};
}

// The address a backup of the block names: its first byte where data flash is linear, the
// subclass number otherwise.
int BlockAddress(int block) {
  switch (Module().calConfig.DFType) {
    case DfType::CEDV:
      return block * 64;
    case DfType::QSPAN:
      return block;
    case DfType::RN44K18:
    case DfType::CEDV_PLUS:
      break;
  }
  return block * 32;
}

struct Touched {
  int block = 0;
  std::vector<uint8_t> old;
  std::vector<uint8_t> image;
};

// Reads every block the parameters touch, in the order of first use; nullopt after a message.
std::optional<std::vector<Touched>> ReadBlocks(std::span<const DfParameterInfo* const> params) {
  std::vector<Touched> blocks;
  for (const DfParameterInfo* p : params) {
    for (int i = 0; i < DfTypeSize(p->type); ++i) {
      const DfBytePlace place =
          PlaceOfByte(Module().calConfig.DFType, p->subclassNumber, p->offset + i);
      const auto known = std::find_if(blocks.begin(), blocks.end(),
                                      [&](const Touched& t) { return t.block == place.block; });
      Touched* block = known == blocks.end() ? nullptr : &*known;
      if (!block) {
        block = &blocks.emplace_back();
        block->block = place.block;
        if (ReadDfBlock(place.block, block->old) != 0)
          return std::nullopt;
        block->image = block->old;
      }
      if (place.position < 0 || static_cast<size_t>(place.position) >= block->old.size()) {
        ShowMessage(p->Path() + " at offset " + std::to_string(p->offset) +
                    " lies outside the Dataflash block the gauge sent (" +
                    std::to_string(block->old.size()) + " bytes).");
        return std::nullopt;
      }
    }
  }
  return blocks;
}

std::vector<uint8_t> BytesOf(const std::vector<Touched>& blocks, const DfParameterInfo& p) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < DfTypeSize(p.type); ++i) {
    const DfBytePlace place =
        PlaceOfByte(Module().calConfig.DFType, p.subclassNumber, p.offset + i);
    for (const Touched& t : blocks) {
      if (t.block == place.block)
        bytes.push_back(t.image[static_cast<size_t>(place.position)]);
    }
  }
  return bytes;
}

void PutBytes(std::vector<Touched>& blocks, const DfParameterInfo& p,
              const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    const DfBytePlace place = PlaceOfByte(Module().calConfig.DFType, p.subclassNumber,
                                          p.offset + static_cast<int32_t>(i));
    for (Touched& t : blocks) {
      if (t.block == place.block)
        t.image[static_cast<size_t>(place.position)] = bytes[i];
    }
  }
}

}  // namespace

int DfTypeSize(const std::string& type) {
  static const std::map<std::string, int> kSizes = {{"U1", 1}, {"I1", 1}, {"H1", 1}, {"U2", 2},
                                                    {"I2", 2}, {"H2", 2}, {"T2", 2}, {"U4", 4},
                                                    {"I4", 4}, {"H4", 4}, {"F4", 4}};
  if (const auto known = kSizes.find(type); known != kSizes.end())
    return known->second;
  if (Kind(type) == 'S' && type.size() > 1 && type.size() <= 4) {
    const int n = std::atoi(type.c_str() + 1);
    return n >= 1 && n <= 255 ? n : 0;
  }
  return 0;
}

std::string DecodeDfValue(const DfParameterInfo& p, std::span<const uint8_t> bytes) {
  const char kind = Kind(p.type);
  if (kind == 'S') {
    std::string text;
    for (uint8_t b : bytes) {
      if (b == 0)
        break;
      text += static_cast<char>(b);
    }
    return text;
  }
  if (bytes.empty() || bytes.size() > 8)
    return {};  // a type the editor does not know has no bytes to show
  if (kind == 'F' && bytes.size() == 4) {
    // The shortest text that encodes to the same bytes, so a value read and written back
    // stays the same float.
    const std::array<uint8_t, 4> f4 = {bytes[0], bytes[1], bytes[2], bytes[3]};
    const double value = DecodeF4(f4);
    std::string text;
    for (int digits = 6; digits <= 9; ++digits) {
      char t[32];
      std::snprintf(t, sizeof t, "%.*g", digits, value);
      text = t;
      if (EncodeF4(std::strtod(t, nullptr)) == f4)
        break;
    }
    return text;
  }
  uint64_t v = 0;
  for (uint8_t b : bytes)
    v = v << 8 | b;
  char text[32];
  if (kind == 'H') {
    std::snprintf(text, sizeof text, "0x%0*llX", static_cast<int>(2 * bytes.size()),
                  static_cast<unsigned long long>(v));
  } else if (kind == 'I') {
    const int shift = 64 - 8 * static_cast<int>(bytes.size());
    std::snprintf(text, sizeof text, "%lld",
                  static_cast<long long>(static_cast<int64_t>(v << shift) >> shift));
  } else {
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(v));
  }
  return text;
}

std::vector<uint8_t> EncodeDfValue(const DfParameterInfo& p, const std::string& value,
                                   std::string& problem) {
  const int size = DfTypeSize(p.type);
  const char kind = Kind(p.type);
  if (size == 0) {
    problem = p.name + " has the data type " + p.type + ", which gaugecal does not write.";
    return {};
  }
  if (kind == 'S') {
    if (value.size() > static_cast<size_t>(size)) {
      problem = p.name + " holds at most " + std::to_string(size) + " characters.";
      return {};
    }
    std::vector<uint8_t> bytes(value.begin(), value.end());
    bytes.resize(static_cast<size_t>(size), 0);
    return bytes;
  }
  const std::optional<double> number = ParseNumber(value);
  if (!number || !std::isfinite(*number) || (kind != 'F' && std::floor(*number) != *number)) {
    problem =
        p.name + ": \"" + value + "\" is not " + (kind == 'F' ? "a number." : "a whole number.");
    return {};
  }
  auto [lo, hi] = TypeLimits(p.type);
  std::string loText = Format("%.0f", lo), hiText = Format("%.0f", hi);
  if (const auto min = ParseNumber(p.minimum); min && *min >= lo) {
    lo = *min;
    loText = p.minimum;
  }
  if (const auto max = ParseNumber(p.maximum); max && *max <= hi) {
    hi = *max;
    hiText = p.maximum;
  }
  if (!(*number >= lo && *number <= hi)) {
    const std::string unit = p.units.empty() || p.units == "-" ? "" : " " + p.units;
    problem = p.name + ": " + value + " is out of range; it must be from " + loText + " to " +
              hiText + unit + ".";
    return {};
  }
  if (kind == 'F') {
    const auto f4 = EncodeF4(*number);
    return {f4.begin(), f4.end()};
  }
  auto v = static_cast<uint64_t>(static_cast<int64_t>(*number));
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  for (int i = size - 1; i >= 0; --i, v >>= 8)
    bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(v & 0xFF);
  return bytes;
}

int32_t ReadDfValues(std::span<const DfParameterInfo* const> parameters,
                     std::vector<std::string>& values) {
  values.clear();
  const auto blocks = ReadBlocks(parameters);
  if (!blocks)
    return 1;
  for (const DfParameterInfo* p : parameters)
    values.push_back(DecodeDfValue(*p, BytesOf(*blocks, *p)));
  return 0;
}

int32_t WriteDfValues(const std::vector<DfChange>& changes, bool force,
                      std::vector<std::string>& backups) {
  ModuleState& m = Module();
  std::vector<std::vector<uint8_t>> encoded;
  std::vector<const DfParameterInfo*> params;
  for (const DfChange& c : changes) {
    std::string problem;
    encoded.push_back(EncodeDfValue(*c.parameter, c.value, problem));
    if (encoded.back().empty()) {
      ShowMessage(problem + kNothingWritten);
      return 1;
    }
    if (c.parameter->className == "Calibration" && !force) {
      ShowMessage(c.parameter->Path() +
                  " is a calibration constant, which the calibrations set (--force writes it "
                  "by hand)." +
                  kNothingWritten);
      return 1;
    }
    params.push_back(c.parameter);
  }
  int16_t mode = 0;
  if (ReadSecurityMode(mode) != 0)
    return 1;
  if (mode == kSealedMode) {
    ShowMessage(std::string("The gauge is Sealed and does not take Dataflash writes.") +
                kNothingWritten);
    return 1;
  }
  auto blocks = ReadBlocks(params);
  if (!blocks) {
    ShowMessage(std::string("The Dataflash could not be read.") + kNothingWritten);
    return 1;
  }
  for (size_t i = 0; i < changes.size(); ++i)
    PutBytes(*blocks, *params[i], encoded[i]);
  std::erase_if(*blocks, [](const Touched& t) { return t.image == t.old; });

  // Every block as the gauge holds it is saved before the first of them changes.
  for (const Touched& t : *blocks) {
    std::string error;
    const std::string file =
        SaveBackup(MakeBackup(BackupKind::ParameterBlock, BlockAddress(t.block), t.old), error);
    if (file.empty()) {
      ShowMessage("Could not save a backup of the Dataflash block about to be written: " + error +
                  "." + kNothingWritten);
      return 1;
    }
    backups.push_back(file);
  }
  for (size_t k = 0; k < blocks->size(); ++k) {
    if (WriteDfBlock((*blocks)[k].block, (*blocks)[k].image) == 0)
      continue;
    // The failed block and the ones before it go back as they were, quietly; the failure's
    // own message stays the technician's.
    ++m.quietMessages;
    bool restored = true;
    for (size_t j = 0; j <= k; ++j)
      restored = WriteDfBlock((*blocks)[j].block, (*blocks)[j].old) == 0 && restored;
    --m.quietMessages;
    if (restored)
      ShowWarning("the Dataflash blocks of this write were written back as they were before it");
    else
      ShowMessage(
          "The failed write changed Dataflash blocks and writing them back failed. The "
          "backup files hold them.");
    return 1;
  }
  return 0;
}

}  // namespace gaugecal
