#pragma once
// A two-dimensional grid of text cells with fixed header rows and columns, as the panel's data
// flash and live grids are: every row the same height, a width per column, each cell with its
// text, alignment, font size and boldness. Geometry and visibility are the Control's.

#include <string>
#include <vector>

#include "panel/Control.h"

namespace gaugecal::panel {

enum class Alignment { Left, Center, Right };

struct GridCell {
  std::string text;
  Alignment alignment = Alignment::Left;
  int fontSize = 8;  // points
  bool bold = false;
  bool operator==(const GridCell&) const = default;
};

struct GridLayout {
  int rows = 0;
  int cols = 0;
  int fixedRows = 0;
  int fixedCols = 0;
  int rowHeight = 0;           // twips, every row
  std::vector<int> colWidths;  // twips, one per column
  bool operator==(const GridLayout&) const = default;
};

class Grid : public Control {
 public:
  const GridLayout& Layout() const { return layout_; }
  // Cells that stay inside the new shape keep their contents; new cells are empty.
  void SetLayout(const GridLayout& layout);

  // An empty cell outside the grid.
  const GridCell& Cell(int row, int col) const;
  // False (and nothing changes) when the cell lies outside the grid.
  bool SetCellText(int row, int col, const std::string& text);
  bool SetCell(int row, int col, const GridCell& cell);

  // The unit of a row's value, beside the grid's own columns (empty: none). A view shows the
  // units in a column after the last; a change notifies Property::Cell with col == cols.
  const std::string& RowUnit(int row) const;
  bool SetRowUnit(int row, const std::string& unit);

 private:
  bool Inside(int row, int col) const;

  GridLayout layout_;
  std::vector<std::vector<GridCell>> cells_;
  std::vector<std::string> units_;
};

}  // namespace gaugecal::panel
