#pragma once
#include <string>

namespace tarvonel {

class Window;

enum class MsgBoxButtons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgBoxIcon { None, Critical, Question, Exclamation, Information };
enum class MsgBoxResult { OK, Cancel, Abort, Retry, Ignore, Yes, No };

// Everything the program asks of a window system. One toolkit binds the window models to
// real Win32 windows; the headless one keeps them in memory for tests and the console.
class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Serve pending window events, timers among them; long jobs call this inside their loops.
  virtual void DoEvents() = 0;

  // Modal; returns the button the user pressed. `prompt` lines are separated by CR LF.
  virtual MsgBoxResult MsgBox(const std::string& prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                              const std::string& title) = 0;

  // Create the window and its controls, hidden. Loading a loaded window does nothing.
  virtual void Load(Window& window) = 0;
  // Load if needed, then show, not modal.
  virtual void Show(Window& window) = 0;
  virtual void Hide(Window& window) = 0;
  // Load if needed, show modal and return when the user has closed it (it is then hidden).
  virtual void ShowModal(Window& window) = 0;
  // Destroy the window; the model keeps its properties.
  virtual void Unload(Window& window) = 0;
};

}  // namespace tarvonel
