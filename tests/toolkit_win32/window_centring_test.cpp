#include "toolkit/win32/window_centring.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowCentringTest, CentresAndClampsIntoTheWorkArea) {
  const struct {
    RECT window, reference, work;
    POINT expected;
  } rows[] = {
      // Centred on a 1280 x 800 work area: left = 640 - 420.
      {{0, 0, 840, 580}, {0, 0, 1280, 800}, {0, 0, 1280, 800}, {220, 110}},
      // Odd sizes: integer halves.
      {{0, 0, 841, 581}, {0, 0, 1281, 801}, {0, 0, 1281, 801}, {220, 110}},
      // A reference near the right and bottom edges: moved back inside.
      {{0, 0, 840, 580}, {1000, 600, 1280, 800}, {0, 0, 1280, 800}, {440, 220}},
      // A reference near the left and top edges: moved forward to the edge.
      {{0, 0, 840, 580}, {0, 0, 100, 100}, {0, 0, 1280, 800}, {0, 0}},
      // Larger than the work area: the left and top edges win.
      {{0, 0, 840, 580}, {0, 0, 800, 500}, {0, 0, 800, 500}, {0, 0}},
      // A work area that does not start at 0 (a taskbar on the left or top, a second monitor).
      {{0, 0, 840, 580}, {1280, 40, 2560, 1024}, {1280, 40, 2560, 1024}, {1500, 242}},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const POINT got = toolkit::CentredPosition(rows[i].window, rows[i].reference, rows[i].work);
    EXPECT_EQ(got.x, rows[i].expected.x);
    EXPECT_EQ(got.y, rows[i].expected.y);
  }
}

}  // namespace
