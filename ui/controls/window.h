#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/controls/control.h"

namespace tarvonel {

// Why a window is asked to close (the unload mode of Form_QueryUnload).
enum class UnloadMode { UserClose = 0, Code = 1, WindowsSession = 2, TaskManager = 3 };

// Base of every window model: its caption, size and the controls it holds. Derived windows
// create their controls as members and register them in their constructor.
class Window {
 public:
  Window(std::string name, std::string caption, int width, int height);
  virtual ~Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetHeight(int height);
  // Position of the window's outer top-left corner on the screen.
  int Left() const { return left_; }
  int Top() const { return top_; }
  void Move(int left, int top);

  // Kept by the toolkit: a loaded window exists (perhaps hidden); a visible one is shown.
  bool Loaded() const { return loaded_; }
  bool Visible() const { return visible_; }
  void MarkLoaded(bool loaded) { loaded_ = loaded; }
  void MarkVisible(bool visible) { visible_ = visible; }

  const std::vector<Control*>& Controls() const { return controls_; }

  // Asked before a close; returning true keeps the window open.
  virtual bool Form_QueryUnload(UnloadMode mode);
  // The user minimised the window.
  virtual void Form_Minimized() {}
  // The mouse moved over the window's background.
  virtual void Form_MouseMove() {}
  // A mouse message from the window's notification-area icon.
  virtual void TrayIcon_Callback(uint32_t /*mouseMessage*/) {}

  // The toolkit's binding, told when the caption changes.
  class Observer {
   public:
    virtual ~Observer() = default;
    virtual void OnCaptionChanged(Window& window) = 0;
    virtual void OnPlacementChanged(Window& window) = 0;
  };
  void SetObserver(Observer* observer) { observer_ = observer; }

 protected:
  void Register(Control& control) { controls_.push_back(&control); }

 private:
  std::string name_;
  std::string caption_;
  int width_;
  int height_;
  int left_ = 0;
  int top_ = 0;
  bool loaded_ = false;
  bool visible_ = false;
  std::vector<Control*> controls_;
  Observer* observer_ = nullptr;
};

}  // namespace tarvonel
