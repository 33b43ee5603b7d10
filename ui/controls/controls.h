#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls/control.h"
#include "ui/controls/drawing_surface.h"

namespace tarvonel {

using Handler = std::function<void()>;

// Shared by the controls that carry a caption and answer a user's click.
class ClickableControl : public Control {
 public:
  ClickableControl(std::string name, ControlKind kind, std::string caption);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // What a user's click does: runs the handler unless the control is disabled or hidden.
  // Returns whether the handler ran.
  bool Click();
  Handler OnClick;
  std::string toolTip;

 private:
  std::string caption_;
};

class Label : public ClickableControl {
 public:
  Label(std::string name, std::string caption = {});
  uint32_t ForeColor() const { return foreColor_; }  // 0x00BBGGRR
  void SetForeColor(uint32_t colour);
  std::optional<uint32_t> backColor;  // none: the window's own background
  Handler OnMouseMove;       // the mouse moved over the label
  bool handPointer = false;  // the pointer over it is the hand of a link
  bool symbolFont = false;  // the status marks are drawn in a symbol font

 private:
  uint32_t foreColor_ = 0;
};

class Button : public ClickableControl {
 public:
  Button(std::string name, std::string caption);
};

// A captioned box drawn around a group of controls; enabling it says whether the group is live.
class Frame : public ClickableControl {
 public:
  Frame(std::string name, std::string caption);
};

class MenuCommand : public ClickableControl {
 public:
  MenuCommand(std::string name, std::string caption);
};

class CheckBox : public ClickableControl {
 public:
  CheckBox(std::string name, std::string caption);
  bool Value() const { return value_; }
  void SetValue(bool value);
  // A user's click toggles the value, then runs the handler.
  bool UserToggle();

 private:
  bool value_ = false;
};

class OptionButton;

// Option buttons that share a frame: at most one of them is set.
class OptionGroup {
 public:
  void Join(OptionButton& button) { members_.push_back(&button); }
  void Selected(const OptionButton& selected);

 private:
  std::vector<OptionButton*> members_;
};

class OptionButton : public ClickableControl {
 public:
  OptionButton(std::string name, std::string caption, OptionGroup& group);
  bool Value() const { return value_; }
  // Setting one clears the others of its group; a user's click sets it and runs the handler.
  void SetValue(bool value);
  bool UserSelect();

 private:
  friend class OptionGroup;
  void ClearFromGroup();
  OptionGroup& group_;
  bool value_ = false;
};

class ProgressBar : public Control {
 public:
  explicit ProgressBar(std::string name);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Value() const { return value_; }
  // A maximum below the minimum is raised to it; the value is kept inside the range.
  void SetRange(int min, int max);
  void SetValue(int value);

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
};

// Fires OnTick every Interval milliseconds while enabled; the toolkit drives it.
class Timer : public Control {
 public:
  Timer(std::string name, uint32_t intervalMs);
  uint32_t Interval() const { return intervalMs_; }
  void SetInterval(uint32_t intervalMs);
  Handler OnTick;
  void Tick();

 private:
  uint32_t intervalMs_;
  bool ticking_ = false;
};

class TextBox : public Control {
 public:
  explicit TextBox(std::string name);
  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  // Adds to the end without rewriting the text: the cost is that of `piece` alone.
  void Append(std::string_view piece);
  // The part of Text() that the latest Append added.
  std::string_view LastAppended() const;
  // The user typed: the text changes and OnChange runs; the toolkit shows it already.
  void UserEdit(std::string text);
  // Bring the last line into view.
  void ScrollToEnd();
  bool ScrolledToEnd() const { return scrolledToEnd_; }

  std::string fontName;
  bool multiLine = false;
  bool editable = false;  // the user may type in it
  bool verticalScrollBar = false;
  Handler OnChange;  // runs after every change of the text

 private:
  std::string text_;
  size_t lastAppendedLength_ = 0;
  bool scrolledToEnd_ = false;
};

// A picture the program draws on (the cluster map). It keeps what was drawn in memory.
class Picture : public ClickableControl {
 public:
  Picture(std::string name, int width, int height);
  ColumnSurface& Surface() { return surface_; }
  const ColumnSurface& Surface() const { return surface_; }

 private:
  // Tells the toolkit when the surface was refreshed, so that a window repaints.
  class NotifyingSurface : public ColumnSurface {
   public:
    NotifyingSurface(Picture& owner, int width, int height) : ColumnSurface(width, height), owner_(owner) {}
    void Refresh() override;

   private:
    Picture& owner_;
  };
  NotifyingSurface surface_;
};

// A list of texts in one column.
class ListView : public Control {
 public:
  ListView(std::string name, std::string columnHeading);
  const std::string& ColumnHeading() const { return columnHeading_; }
  const std::vector<std::string>& Items() const { return items_; }
  void Clear();
  void AddItem(std::string text);

 private:
  std::string columnHeading_;
  std::vector<std::string> items_;
};

}  // namespace tarvonel

namespace tarvonel {

// A drop-down list whose items carry an image number (1 or 2 in the drive list).
class ImageCombo : public Control {
 public:
  struct Item {
    std::string text;
    int image = 0;
  };
  explicit ImageCombo(std::string name);
  const std::vector<Item>& Items() const { return items_; }
  void Clear();
  void AddItem(std::string text, int image);
  int SelectedIndex() const { return selected_; }  // -1: none
  void Select(int index);
  // A user's choice: selects and runs OnClick unless the control is disabled or hidden.
  bool UserSelect(int index);
  Handler OnClick;

 private:
  std::vector<Item> items_;
  int selected_ = -1;
};

}  // namespace tarvonel
