#include "ui/controls/screen_placement.h"

#include <gtest/gtest.h>

#include "test_harness.h"

namespace tarvonel {
namespace {

TEST(KeptInside, MovesAWindowInsideTheAreaAsLittleAsItCan) {
  const ScreenRect area{0, 0, 1066, 773};
  const auto place = [&](ScreenRect wanted) {
    const ScreenRect placed = KeptInside(wanted, area);
    EXPECT_EQ(placed.width, wanted.width);
    EXPECT_EQ(placed.height, wanted.height);
    return std::pair{placed.left, placed.top};
  };
  EXPECT_EQ(place({100, 50, 400, 300}), std::pair(100, 50)) << "inside: left where it is";
  EXPECT_EQ(place({300, 500, 816, 250}), std::pair(250, 500)) << "past the right edge";
  EXPECT_EQ(place({100, 600, 400, 250}), std::pair(100, 523)) << "past the bottom, onto the taskbar";
  EXPECT_EQ(place({-40, -10, 400, 300}), std::pair(0, 0)) << "past the left and top";
  EXPECT_EQ(place({200, 200, 1200, 900}), std::pair(0, 0)) << "larger than the area: the caption stays reachable";
  // A second monitor to the left of the first has negative coordinates.
  const ScreenRect left{-1280, 0, 1280, 984};
  const ScreenRect placed = KeptInside({-200, 100, 816, 250}, left);
  EXPECT_EQ(placed.left, -816);
  EXPECT_EQ(placed.top, 100);
}

// Regression: at 150 % on a 1600 x 1200 screen the job window, placed below the centred main
// window with the same left edge, opened partly beyond the right edge of the screen.
TEST(WindowPlacement, JobAndMainWindowsStayOnScreenAtHighDpi) {
  struct Screen {
    int width, height;  // in 96-dpi units: 1600 x 1200 pixels at 150 %, 1280 x 1024 at 200 %, ...
    ScreenRect workArea;
  } screens[] = {
      {1066, 800, {0, 0, 1066, 773}},  // a 40-pixel taskbar below
      {640, 512, {0, 0, 640, 492}},
      {1024, 768, {0, 0, 1024, 738}},
      {1066, 800, {0, 27, 1066, 773}},  // the taskbar at the top
  };
  for (const Screen& screen : screens) {
    test::ProgramHarness h(R"({"drives": [{"letter": "C", "volume": {}}]})");
    h.toolkit.SetScreen(screen.width, screen.height, screen.workArea);
    h.program.Run();
    const Window& main = h.program.Main();
    const Window& jobs = h.program.Jobs();
    const ScreenRect& area = screen.workArea;
    const std::string name = std::to_string(screen.width) + "x" + std::to_string(screen.height);
    for (const Window* window : {&main, &jobs}) {
      EXPECT_GE(window->Left(), area.left) << name << " " << window->Name();
      EXPECT_GE(window->Top(), area.top) << name << " " << window->Name();
      if (window->Width() <= area.width) {
        EXPECT_LE(window->Left() + window->Width(), area.left + area.width) << name << " " << window->Name();
      }
      if (window->Height() <= area.height) {
        EXPECT_LE(window->Top() + window->Height(), area.top + area.height) << name << " " << window->Name();
      }
    }
    if (jobs.Width() <= area.width) {
      EXPECT_EQ(main.Left(), jobs.Left()) << name << ": one left edge";
      EXPECT_EQ(main.Top() + main.Height(), jobs.Top()) << name << ": the main window directly above";
    }
  }
}

}  // namespace
}  // namespace tarvonel
