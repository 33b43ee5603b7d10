#pragma once
#include <string>

#include "ui/controls/screen_placement.h"

namespace tarvonel {

class Window;

enum class MsgBoxButtons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgBoxIcon { None, Critical, Question, Exclamation, Information };
enum class MsgBoxResult { OK, Cancel, Abort, Retry, Ignore, Yes, No };
// The button that Enter presses and an unattended answer takes.
enum class MsgBoxDefault { First, Second };

// Everything the program asks of a window system. One toolkit binds the window models to
// real Win32 windows; the headless one keeps them in memory for tests and the console.
class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Serve pending window events, timers among them; long jobs call this inside their loops.
  virtual void DoEvents() = 0;

  // Modal; returns the button the user pressed. `prompt` lines are separated by CR LF.
  virtual MsgBoxResult MsgBox(const std::string& prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                              const std::string& title, MsgBoxDefault defaultButton = MsgBoxDefault::First) = 0;

  // Create the window and its controls, hidden. Loading a loaded window does nothing.
  virtual void Load(Window& window) = 0;
  // Load if needed, then show, not modal.
  virtual void Show(Window& window) = 0;
  virtual void Hide(Window& window) = 0;
  // Load if needed, show modal and return when the user has closed it (it is then hidden).
  virtual void ShowModal(Window& window) = 0;
  // Destroy the window; the model keeps its properties.
  virtual void Unload(Window& window) = 0;

  // Modal: asks for a line of text. Returns the text entered, or empty when the user cancelled.
  virtual std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) = 0;

  // The notification-area icon of `owner` (one per window, id 1) with its tooltip; clicks on it
  // reach owner.TrayIcon_Callback with the mouse message.
  virtual void AddTrayIcon(Window& owner, const std::string& tip) = 0;
  // Removing an icon that is not there does nothing.
  virtual void RemoveTrayIcon(Window& owner) = 0;

  // The screen's size in the units of window sizes (pixels at 96 dots per inch).
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  // Where the window may lie when placed at `wanted` (its position and size in those units):
  // the work area of the monitor nearest to it (the screen less the taskbar), less what the
  // window's frame adds to its size, so that the whole frame stays inside.
  virtual ScreenRect WorkArea(const Window& window, const ScreenRect& wanted) = 0;

  // Ends the program at once: no further window events are served.
  virtual void EndProgram() = 0;
  virtual bool ProgramEnded() const = 0;
};

}  // namespace tarvonel
