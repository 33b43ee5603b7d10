#include "ui/controls/control.h"

#include <utility>

namespace tarvonel {

Control::Control(std::string name, ControlKind kind) : name_(std::move(name)), kind_(kind) {}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Notify(ControlChange::Enabled);
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Notify(ControlChange::Visible);
}

void Control::Notify(ControlChange change) {
  if (observer_ != nullptr) observer_->OnControlChanged(*this, change);
}

}  // namespace tarvonel
