#include "ui/controls/screen_placement.h"

#include <algorithm>

#include "ui/controls/toolkit.h"
#include "ui/controls/window.h"

namespace tarvonel {

ScreenRect KeptInside(ScreenRect wanted, const ScreenRect& area) {
  wanted.left = std::max(std::min(wanted.left, area.left + area.width - wanted.width), area.left);
  wanted.top = std::max(std::min(wanted.top, area.top + area.height - wanted.height), area.top);
  return wanted;
}

void MoveOnScreen(Window& window, Toolkit& toolkit, int left, int top) {
  const ScreenRect wanted{left, top, window.Width(), window.Height()};
  const ScreenRect placed = KeptInside(wanted, toolkit.WorkArea(window, wanted));
  window.Move(placed.left, placed.top);
}

}  // namespace tarvonel
