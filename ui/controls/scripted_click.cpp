#include "ui/controls/scripted_click.h"

#include "ui/controls/controls.h"
#include "ui/controls/window.h"

namespace tarvonel {

bool ClickNamedControl(const std::vector<Window*>& windows, const std::string& target) {
  const size_t dot = target.find('.');
  if (dot == std::string::npos) return false;
  const std::string windowName = target.substr(0, dot);
  const std::string controlName = target.substr(dot + 1);
  for (Window* window : windows) {
    if (window->Name() != windowName || !window->Loaded()) continue;
    for (Control* control : window->Controls()) {
      if (control->Name() != controlName) continue;
      switch (control->Kind()) {
        case ControlKind::CheckBox: return static_cast<CheckBox*>(control)->UserToggle();
        case ControlKind::OptionButton: return static_cast<OptionButton*>(control)->UserSelect();
        case ControlKind::Button:
        case ControlKind::Label:
        case ControlKind::MenuCommand:
        case ControlKind::Picture: return static_cast<ClickableControl*>(control)->Click();
        default: return false;
      }
    }
  }
  return false;
}

}  // namespace tarvonel
