#pragma once
// The panel's twips design as rows and columns: what sits beside and below what, without the
// sizes. A view lays the controls of one container out in a grid with these cells, so texts
// get the room their font needs and the design's arrangement and order stay.

#include <vector>

#include "panel/Control.h"

namespace gaugecal::panel {

struct DesignCell {
  int row = 0;
  int col = 0;
  int rowSpan = 1;
  int colSpan = 1;
  bool operator==(const DesignCell&) const = default;
};

// One cell per rectangle, in the given order. Tops within kRowTolerance of a row's first top
// share the row (a label sits a little lower than its text box); lefts within kColTolerance
// share a column. A rectangle spans the columns and rows its design covers, up to the first
// cell another rectangle starts in, so no two cells overlap unless their rectangles coincide
// (the pages of a tab control).
constexpr int kRowTolerance = 200;
constexpr int kColTolerance = 60;
std::vector<DesignCell> ArrangeInGrid(const std::vector<Twips>& rects);

}  // namespace gaugecal::panel
