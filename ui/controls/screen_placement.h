#pragma once

namespace tarvonel {

class Toolkit;
class Window;

// A rectangle on the screen in the units of window sizes (pixels at 96 dots per inch).
struct ScreenRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The position nearest `wanted` at which it lies inside `area`. A rectangle larger than the
// area keeps its top-left corner inside, so that its caption and menu can be reached.
ScreenRect KeptInside(ScreenRect wanted, const ScreenRect& area);

// Moves the window to (left, top), or as near to it as the work area of the monitor it opens
// on allows: a position worked out for one screen or one DPI must not put it out of reach.
void MoveOnScreen(Window& window, Toolkit& toolkit, int left, int top);

}  // namespace tarvonel
