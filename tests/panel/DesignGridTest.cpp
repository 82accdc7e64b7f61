// The twips design as rows and columns: labels a little lower than their boxes share the row,
// a wide control spans the columns it covers up to its neighbour, a tall one the rows beside
// it up to the control that starts below it in its columns, and stacked pages share a cell.

#include <gtest/gtest.h>

#include "panel/DesignGrid.h"

namespace gaugecal::panel {
namespace {

TEST(DesignGrid, RowsColumnsAndSpansFromTwips) {
  const struct {
    const char* what;
    std::vector<Twips> rects;
    std::vector<DesignCell> cells;
  } cases[] = {
      {"a label 30 lower shares its box's row; a new row past the tolerance",
       {{200, 830, 1650, 255}, {1900, 800, 1000, 315}, {200, 1160, 1650, 255}},
       {{0, 0, 1, 1}, {0, 1, 1, 1}, {1, 0, 1, 1}}},
      {"a unit label that overlaps the next box stops at that box's column",
       {{1900, 3400, 1000, 315}, {2940, 3430, 400, 255}, {3200, 3400, 1000, 315}},
       {{0, 0, 1, 1}, {0, 1, 1, 1}, {0, 2, 1, 1}}},
      {"a button across three columns with its done mark beside it",
       {{200, 800, 1000, 315},
        {1900, 800, 1000, 315},
        {3200, 800, 1000, 315},
        {200, 5250, 3800, 600},
        {4100, 5310, 480, 480}},
       {{0, 0, 1, 1}, {0, 1, 1, 1}, {0, 2, 1, 2}, {1, 0, 1, 3}, {1, 3, 1, 1}}},
      {"a tall frame spans the rows beside it; the row below it stays its own",
       {{120, 360, 4800, 8700},
        {5100, 400, 4700, 600},
        {5100, 3600, 4730, 2300},
        {120, 9750, 2400, 400}},
       {{0, 0, 2, 1}, {0, 1, 1, 1}, {1, 1, 1, 1}, {2, 0, 1, 1}}},
      {"two pages at the same place share the cell",
       {{0, 450, 9950, 9200}, {0, 450, 9950, 9200}},
       {{0, 0, 1, 1}, {0, 0, 1, 1}}},
      {"a tall grid stops at the label that starts below it in its column",
       {{0, 0, 9950, 9650}, {10000, 1000, 2800, 5000}, {10000, 5000, 2800, 255}},
       {{0, 0, 3, 1}, {1, 1, 1, 1}, {2, 1, 1, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ArrangeInGrid(c.rects), c.cells);
  }
}

}  // namespace
}  // namespace gaugecal::panel
