#pragma once
#include <string>

namespace tarvonel {

enum class ControlChange {
  Caption,
  Enabled,
  Visible,
  Value,
  Text,          // the whole text was replaced
  TextAppended,  // text grew at its end; see TextBox::LastAppended
  ScrolledToEnd,
  Interval,
  Range,
  Items,    // a list view's items changed
  Picture,  // a picture was drawn on; refresh it on screen
};

class Control;

// A toolkit's binding of a control to something real; told of every property change.
class ControlObserver {
 public:
  virtual ~ControlObserver() = default;
  virtual void OnControlChanged(Control& control, ControlChange change) = 0;
};

// Position and size in pixels inside the owning window's client area.
struct ControlPlacement {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool fillsWindow = false;  // follows the client area when the window is resized
};

enum class ControlKind {
  Label, Button, CheckBox, OptionButton, MenuCommand, ProgressBar, Timer, TextBox, Picture, ListView, ImageCombo, Frame
};

// Base of every control model. Models hold no toolkit types; a toolkit observes them.
class Control {
 public:
  Control(std::string name, ControlKind kind);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  ControlKind Kind() const { return kind_; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  const ControlPlacement& Placement() const { return placement_; }
  void SetPlacement(const ControlPlacement& placement) { placement_ = placement; }

  void SetObserver(ControlObserver* observer) { observer_ = observer; }

 protected:
  void Notify(ControlChange change);

 private:
  std::string name_;
  ControlKind kind_;
  bool enabled_ = true;
  bool visible_ = true;
  ControlPlacement placement_;
  ControlObserver* observer_ = nullptr;
};

}  // namespace tarvonel
