#include "panel/Grid.h"

namespace gaugecal::panel {

void Grid::SetLayout(const GridLayout& layout) {
  if (layout == layout_)
    return;
  layout_ = layout;
  cells_.resize(static_cast<size_t>(layout.rows));
  units_.resize(static_cast<size_t>(layout.rows));
  for (auto& row : cells_)
    row.resize(static_cast<size_t>(layout.cols));
  Changed(Property::Layout);
}

const GridCell& Grid::Cell(int row, int col) const {
  static const GridCell kOutside;
  return Inside(row, col) ? cells_[static_cast<size_t>(row)][static_cast<size_t>(col)] : kOutside;
}

bool Grid::SetCellText(int row, int col, const std::string& text) {
  if (!Inside(row, col))
    return false;
  GridCell cell = Cell(row, col);
  cell.text = text;
  return SetCell(row, col, cell);
}

bool Grid::SetCell(int row, int col, const GridCell& cell) {
  if (!Inside(row, col))
    return false;
  GridCell& current = cells_[static_cast<size_t>(row)][static_cast<size_t>(col)];
  if (current != cell) {
    current = cell;
    Changed(Property::Cell, row, col);
  }
  return true;
}

const std::string& Grid::RowUnit(int row) const {
  static const std::string kNone;
  return Inside(row, 0) ? units_[static_cast<size_t>(row)] : kNone;
}

bool Grid::SetRowUnit(int row, const std::string& unit) {
  if (!Inside(row, 0))
    return false;
  std::string& current = units_[static_cast<size_t>(row)];
  if (current != unit) {
    current = unit;
    Changed(Property::Cell, row, layout_.cols);
  }
  return true;
}

bool Grid::Inside(int row, int col) const {
  return row >= 0 && col >= 0 && row < layout_.rows && col < layout_.cols;
}

}  // namespace gaugecal::panel
