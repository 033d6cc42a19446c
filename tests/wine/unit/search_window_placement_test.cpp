// Where the search window goes when the hot key names the window in front:
// over it exactly, unless that leaves too small a window or one partly off
// the work area.
#include <gtest/gtest.h>

#include "search_activation.h"

namespace {

struct TPlacementCase {
  const char* Name;
  RECT Requested;
  RECT Expected;
};

// A 1024 x 768 screen with a task bar 28 pixels high at the bottom.
constexpr RECT kWorkArea = {0, 0, 1024, 740};

const TPlacementCase kCases[] = {
    {"a window on the work area is covered exactly", {120, 90, 620, 450}, {120, 90, 620, 450}},
    {"the work area itself is covered exactly", {0, 0, 1024, 740}, {0, 0, 1024, 740}},
    {"the task bar: as wide, 200 high, moved up onto the work area", {0, 740, 1024, 768}, {0, 540, 1024, 740}},
    {"a tiny window in the corner: 320 x 200, inside", {950, 700, 1000, 720}, {704, 540, 1024, 740}},
    {"a tiny window at the origin grows right and down", {0, 0, 10, 10}, {0, 0, 320, 200}},
    {"partly left of the screen: moved right, size kept", {-50, 100, 450, 500}, {0, 100, 500, 500}},
    {"partly below: moved up, size kept", {100, 600, 600, 900}, {100, 440, 600, 740}},
    {"a maximised window's frame outside the screen: moved to the origin", {-4, -4, 1028, 744}, {0, 0, 1032, 748}},
    {"taller than the work area: its top at the work area's top", {10, 10, 400, 900}, {10, 0, 400, 890}},
};

TEST(SearchWindowPlacement, FitToWorkArea) {
  for (const TPlacementCase& c : kCases) {
    const RECT fitted = FitToWorkArea(c.Requested, kWorkArea);
    EXPECT_EQ(fitted.left, c.Expected.left) << c.Name;
    EXPECT_EQ(fitted.top, c.Expected.top) << c.Name;
    EXPECT_EQ(fitted.right, c.Expected.right) << c.Name;
    EXPECT_EQ(fitted.bottom, c.Expected.bottom) << c.Name;
  }
}

TEST(SearchWindowPlacement, WorkAreaNotAtTheOrigin) {
  // A task bar at the top or the left moves the work area's origin.
  const RECT workArea = {0, 28, 1024, 768};
  const RECT fitted = FitToWorkArea({300, 0, 800, 28}, workArea);
  EXPECT_EQ(fitted.top, 28);
  EXPECT_EQ(fitted.bottom, 228);
  EXPECT_EQ(fitted.right - fitted.left, 500);
}

}  // namespace
