#include "ui/controls/controls.h"

#include <algorithm>
#include <utility>

namespace tarvonel {

ClickableControl::ClickableControl(std::string name, ControlKind kind, std::string caption)
    : Control(std::move(name), kind), caption_(std::move(caption)) {}

void ClickableControl::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(ControlChange::Caption);
}

bool ClickableControl::Click() {
  if (!Enabled() || !Visible() || !OnClick) return false;
  OnClick();
  return true;
}

Label::Label(std::string name, std::string caption)
    : ClickableControl(std::move(name), ControlKind::Label, std::move(caption)) {}

void Label::SetForeColor(uint32_t colour) {
  if (foreColor_ == colour) return;
  foreColor_ = colour;
  Notify(ControlChange::Value);
}

Button::Button(std::string name, std::string caption)
    : ClickableControl(std::move(name), ControlKind::Button, std::move(caption)) {}

Frame::Frame(std::string name, std::string caption)
    : ClickableControl(std::move(name), ControlKind::Frame, std::move(caption)) {}

MenuCommand::MenuCommand(std::string name, std::string caption)
    : ClickableControl(std::move(name), ControlKind::MenuCommand, std::move(caption)) {}

CheckBox::CheckBox(std::string name, std::string caption)
    : ClickableControl(std::move(name), ControlKind::CheckBox, std::move(caption)) {}

void CheckBox::SetValue(bool value) {
  if (value_ == value) return;
  value_ = value;
  Notify(ControlChange::Value);
}

bool CheckBox::UserToggle() {
  if (!Enabled() || !Visible()) return false;
  SetValue(!value_);
  if (OnClick) OnClick();
  return true;
}

void OptionGroup::Selected(const OptionButton& selected) {
  for (OptionButton* member : members_) {
    if (member != &selected) member->ClearFromGroup();
  }
}

OptionButton::OptionButton(std::string name, std::string caption, OptionGroup& group)
    : ClickableControl(std::move(name), ControlKind::OptionButton, std::move(caption)), group_(group) {
  group_.Join(*this);
}

void OptionButton::SetValue(bool value) {
  if (value) group_.Selected(*this);
  if (value_ == value) return;
  value_ = value;
  Notify(ControlChange::Value);
}

bool OptionButton::UserSelect() {
  if (!Enabled() || !Visible()) return false;
  SetValue(true);
  if (OnClick) OnClick();
  return true;
}

void OptionButton::ClearFromGroup() {
  if (!value_) return;
  value_ = false;
  Notify(ControlChange::Value);
}

ProgressBar::ProgressBar(std::string name) : Control(std::move(name), ControlKind::ProgressBar) {}

void ProgressBar::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  value_ = std::clamp(value_, min_, max_);
  Notify(ControlChange::Range);
}

void ProgressBar::SetValue(int value) {
  value = std::clamp(value, min_, max_);
  if (value_ == value) return;
  value_ = value;
  Notify(ControlChange::Value);
}

Timer::Timer(std::string name, uint32_t intervalMs)
    : Control(std::move(name), ControlKind::Timer), intervalMs_(intervalMs) {
  SetEnabled(false);
}

void Timer::SetInterval(uint32_t intervalMs) {
  if (intervalMs_ == intervalMs) return;
  intervalMs_ = intervalMs;
  Notify(ControlChange::Interval);
}

void Timer::Tick() {
  // A tick that arrives while the previous one is still being handled (inside a modal window
  // it opened) is dropped, as window timers of one handler never nest.
  if (!Enabled() || intervalMs_ == 0 || !OnTick || ticking_) return;
  ticking_ = true;
  try {
    OnTick();
  } catch (...) {
    ticking_ = false;
    throw;
  }
  ticking_ = false;
}

TextBox::TextBox(std::string name) : Control(std::move(name), ControlKind::TextBox) {}

void TextBox::UserEdit(std::string text) {
  text_ = std::move(text);
  lastAppendedLength_ = 0;
  if (OnChange) OnChange();
}

void TextBox::SetText(std::string text) {
  text_ = std::move(text);
  lastAppendedLength_ = 0;
  scrolledToEnd_ = false;
  Notify(ControlChange::Text);
  if (OnChange) OnChange();
}

void TextBox::Append(std::string_view piece) {
  text_.append(piece);
  lastAppendedLength_ = piece.size();
  scrolledToEnd_ = false;
  Notify(ControlChange::TextAppended);
  if (OnChange) OnChange();
}

std::string_view TextBox::LastAppended() const {
  return std::string_view(text_).substr(text_.size() - lastAppendedLength_);
}

void TextBox::ScrollToEnd() {
  scrolledToEnd_ = true;
  Notify(ControlChange::ScrolledToEnd);
}

Picture::Picture(std::string name, int width, int height)
    : ClickableControl(std::move(name), ControlKind::Picture, {}), surface_(*this, width, height) {
  SetPlacement({0, 0, width, height, false});
}

void Picture::NotifyingSurface::Refresh() {
  ColumnSurface::Refresh();
  owner_.Notify(ControlChange::Picture);
}

ListView::ListView(std::string name, std::string columnHeading)
    : Control(std::move(name), ControlKind::ListView), columnHeading_(std::move(columnHeading)) {}

void ListView::Clear() {
  items_.clear();
  Notify(ControlChange::Items);
}

void ListView::AddItem(std::string text) {
  items_.push_back(std::move(text));
  Notify(ControlChange::Items);
}

}  // namespace tarvonel

namespace tarvonel {

ImageCombo::ImageCombo(std::string name) : Control(std::move(name), ControlKind::ImageCombo) {}

void ImageCombo::Clear() {
  items_.clear();
  selected_ = -1;
  Notify(ControlChange::Items);
}

void ImageCombo::AddItem(std::string text, int image) {
  items_.push_back({std::move(text), image});
  Notify(ControlChange::Items);
}

void ImageCombo::Select(int index) {
  selected_ = (index >= 0 && index < static_cast<int>(items_.size())) ? index : -1;
  Notify(ControlChange::Value);
}

bool ImageCombo::UserSelect(int index) {
  if (!Enabled() || !Visible() || index < 0 || index >= static_cast<int>(items_.size())) return false;
  Select(index);
  if (OnClick) OnClick();
  return true;
}

}  // namespace tarvonel
