#include "panel/DesignGrid.h"

#include <algorithm>
#include <cstddef>

namespace gaugecal::panel {

namespace {

// The starts of the bands: sorted positions, each band opened by a position more than
// tolerance past the previous band's start.
std::vector<int> Bands(std::vector<int> starts, int tolerance) {
  std::sort(starts.begin(), starts.end());
  std::vector<int> bands;
  for (const int s : starts)
    if (bands.empty() || s > bands.back() + tolerance)
      bands.push_back(s);
  return bands;
}

int BandOf(const std::vector<int>& bands, int position) {
  const auto it = std::upper_bound(bands.begin(), bands.end(), position);
  return static_cast<int>(it - bands.begin()) - 1;
}

// The bands from first on that start before end.
int Covered(const std::vector<int>& bands, int first, int end) {
  int n = 1;
  while (static_cast<size_t>(first + n) < bands.size() &&
         bands[static_cast<size_t>(first + n)] < end)
    ++n;
  return n;
}

bool Overlap(int a, int aSpan, int b, int bSpan) {
  return a < b + bSpan && b < a + aSpan;
}

}  // namespace

std::vector<DesignCell> ArrangeInGrid(const std::vector<Twips>& rects) {
  std::vector<int> tops;
  std::vector<int> lefts;
  for (const Twips& r : rects) {
    tops.push_back(r.top);
    lefts.push_back(r.left);
  }
  const std::vector<int> rows = Bands(tops, kRowTolerance);
  const std::vector<int> cols = Bands(lefts, kColTolerance);
  std::vector<DesignCell> cells(rects.size());
  for (size_t i = 0; i < rects.size(); ++i) {
    cells[i].row = BandOf(rows, rects[i].top);
    cells[i].col = BandOf(cols, rects[i].left);
    cells[i].colSpan = Covered(cols, cells[i].col, rects[i].left + rects[i].width);
  }
  // Across: stop at the first column another cell of the same row starts in.
  for (size_t i = 0; i < rects.size(); ++i)
    for (size_t j = 0; j < rects.size(); ++j)
      if (j != i && cells[j].row == cells[i].row && cells[j].col > cells[i].col &&
          cells[j].col < cells[i].col + cells[i].colSpan)
        cells[i].colSpan = cells[j].col - cells[i].col;
  // Down: the rows the design covers, up to the first row a cell beside it in those columns
  // starts in.
  for (size_t i = 0; i < rects.size(); ++i) {
    cells[i].rowSpan = Covered(rows, cells[i].row, rects[i].top + rects[i].height);
    for (size_t j = 0; j < rects.size(); ++j)
      if (j != i && cells[j].row > cells[i].row && cells[j].row < cells[i].row + cells[i].rowSpan &&
          Overlap(cells[i].col, cells[i].colSpan, cells[j].col, cells[j].colSpan))
        cells[i].rowSpan = cells[j].row - cells[i].row;
  }
  return cells;
}

}  // namespace gaugecal::panel
