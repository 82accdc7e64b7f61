#pragma once
// One row of a value listing: indented name, right-aligned value, unit.

#include <string>

namespace gaugecal::cli {

inline std::string ValueRow(const std::string& indent, const std::string& name, size_t nameWidth,
                            const std::string& value, size_t valueWidth, const std::string& unit) {
  std::string row = indent + name;
  if (row.size() < indent.size() + nameWidth)
    row.resize(indent.size() + nameWidth, ' ');
  if (value.size() < valueWidth)
    row.append(valueWidth - value.size(), ' ');
  return row + value + "  " + unit + "\n";
}

}  // namespace gaugecal::cli
