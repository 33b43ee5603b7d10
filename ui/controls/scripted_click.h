#pragma once
#include <string>
#include <vector>

namespace tarvonel {

class Window;

// Clicks "Window.Control" among `windows` as a user's click arrives at it: a check box toggles,
// an option button is selected, a button, label, menu command or picture is clicked. False
// when no such loaded control exists or it does not take the click (disabled or hidden).
bool ClickNamedControl(const std::vector<Window*>& windows, const std::string& target);

}  // namespace tarvonel
