#pragma once
// The simulated gauge's data flash: a linear byte image in the family's layout, typed access
// to its named parameters, the windows the three addressing schemes see, and a text file that
// lets a simulated pack keep its data flash between runs.

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "sim/FlashLayout.h"

namespace gaugecal::sim {

class GaugeFlash {
 public:
  // The family's default image (rowLayout: see LayoutOf), configured for the given number of
  // cells.
  GaugeFlash(DfType family, int cells, bool rowLayout = false);

  const FlashLayout& Layout() const { return *layout_; }
  std::vector<uint8_t>& Bytes() { return bytes_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

  // Values as the gauge uses them: integers of the parameter's type, F4 as a double.
  double Get(const Param& param) const;
  // Rounds to nearest (halves to even) and saturates to the type's range.
  void Set(const Param& param, double value);

  // Cells the configuration word names (bits 1..0 = cells - 1).
  int ConfiguredCells() const;

  // The bytes an addressing scheme reaches; empty when the family has no such page, row or
  // subclass.
  std::span<uint8_t> Page(int page) { return Window(PageRange(page)); }
  std::span<uint8_t> Row(int row) { return Window(RowRange(row)); }
  std::span<uint8_t> SubclassBytes(int id) { return Window(SubclassRange(id)); }
  std::span<const uint8_t> Page(int page) const { return Window(PageRange(page)); }
  std::span<const uint8_t> Row(int row) const { return Window(RowRange(row)); }
  std::span<const uint8_t> SubclassBytes(int id) const { return Window(SubclassRange(id)); }

  // Persistence: hexadecimal text, 32 bytes a line, '#' starts a comment line. Lines
  // "name: value" carry the rest of the gauge's lasting state (fields), after the bytes. A file
  // larger than kMaxFileBytes is refused.
  static constexpr size_t kMaxFileBytes = 1024 * 1024;
  using Fields = std::vector<std::pair<std::string, std::string>>;
  bool LoadFile(const std::string& path, std::string& error, Fields* fields = nullptr);
  bool SaveFile(const std::string& path, std::string& error, const Fields& fields = {}) const;

 private:
  struct Range {
    size_t offset = 0;
    size_t length = 0;  // 0: no such window
  };
  Range PageRange(int page) const;
  Range RowRange(int row) const;
  Range SubclassRange(int id) const;
  std::span<uint8_t> Window(Range r) {
    return std::span<uint8_t>(bytes_).subspan(r.offset, r.length);
  }
  std::span<const uint8_t> Window(Range r) const {
    return std::span<const uint8_t>(bytes_).subspan(r.offset, r.length);
  }

  const FlashLayout* layout_;
  std::vector<uint8_t> bytes_;
};

}  // namespace gaugecal::sim
