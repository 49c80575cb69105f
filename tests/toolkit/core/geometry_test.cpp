// Rectangle helpers: emptiness, containment, intersection and union at their edges.
#include "toolkit/core/geometry.h"

#include <gtest/gtest.h>

namespace toolkit {
namespace {

TEST(RectTest, EmptyAndContains) {
  const struct {
    Rect rect;
    bool empty;
    int x, y;
    bool contains;
  } rows[] = {
      {{0, 0, 10, 10}, false, 0, 0, true},  // left and top are inside
      {{0, 0, 10, 10}, false, 9, 9, true},
      {{0, 0, 10, 10}, false, 10, 5, false},  // right and bottom are outside
      {{0, 0, 10, 10}, false, 5, 10, false},
      {{0, 0, 10, 10}, false, -1, 5, false},
      {{5, 5, 5, 9}, true, 5, 6, false},  // no width
      {{5, 5, 9, 5}, true, 6, 5, false},  // no height
      {{9, 9, 5, 5}, true, 7, 7, false},  // reversed
      {{-20, -20, -10, -10}, false, -15, -15, true},
      {{}, true, 0, 0, false},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].rect.IsEmpty(), rows[i].empty);
    EXPECT_EQ(rows[i].rect.Contains(rows[i].x, rows[i].y), rows[i].contains);
  }
}

TEST(RectTest, IntersectedAndUnited) {
  const struct {
    Rect a, b;
    Rect intersected, united;
  } rows[] = {
      {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}, {0, 0, 20, 20}},
      {{0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}, {0, 0, 10, 10}},  // one inside the other
      // Touching edges share no pixel; apart, the intersection is empty and never reversed.
      {{0, 0, 10, 10}, {10, 0, 20, 10}, {10, 0, 10, 10}, {0, 0, 20, 10}},
      {{0, 0, 10, 10}, {30, 40, 50, 60}, {30, 40, 30, 40}, {0, 0, 50, 60}},
      // An empty rectangle adds nothing to a union, wherever it lies.
      {{0, 0, 10, 10}, {100, 100, 100, 200}, {100, 100, 100, 100}, {0, 0, 10, 10}},
      {{}, {5, 6, 7, 8}, {5, 6, 5, 6}, {5, 6, 7, 8}},
      {{3, 3, 1, 1}, {}, {3, 3, 3, 3}, {}},
      {{-5, -5, 5, 5}, {0, 0, 840, 580}, {0, 0, 5, 5}, {-5, -5, 840, 580}},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].a.Intersected(rows[i].b), rows[i].intersected);
    EXPECT_EQ(rows[i].a.United(rows[i].b), rows[i].united);
    EXPECT_EQ(rows[i].b.United(rows[i].a), rows[i].united);
  }
}

}  // namespace
}  // namespace toolkit
