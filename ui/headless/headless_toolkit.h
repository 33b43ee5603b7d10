#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls/control.h"
#include "ui/controls/controls.h"
#include "ui/controls/toolkit.h"
#include "ui/headless/clock.h"

namespace tarvonel {

struct MessageBoxRecord {
  std::string prompt;
  std::string title;
  MsgBoxButtons buttons = MsgBoxButtons::OK;
  MsgBoxIcon icon = MsgBoxIcon::None;
  MsgBoxResult answer = MsgBoxResult::OK;
};

// The toolkit of tests and of the console program: windows live in memory, timers run on a
// clock, the user's actions and message-box answers come from a script.
class HeadlessToolkit : public Toolkit, private ControlObserver {
 public:
  explicit HeadlessToolkit(Clock& clock);

  void DoEvents() override;
  MsgBoxResult MsgBox(const std::string& prompt, MsgBoxButtons buttons, MsgBoxIcon icon, const std::string& title,
                      MsgBoxDefault defaultButton = MsgBoxDefault::First) override;
  void Load(Window& window) override;
  void Show(Window& window) override;
  void Hide(Window& window) override;
  void Unload(Window& window) override;
  void ShowModal(Window& window) override;
  std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
  void AddTrayIcon(Window& owner, const std::string& tip) override;
  void RemoveTrayIcon(Window& owner) override;
  int ScreenWidth() override { return screen_.width; }
  int ScreenHeight() override { return screen_.height; }
  ScreenRect WorkArea(const Window&, const ScreenRect&) override { return workArea_; }
  // A screen of another size or DPI, in 96-dpi units, and its work area (no frames here).
  void SetScreen(int width, int height, const ScreenRect& workArea) {
    screen_ = {0, 0, width, height};
    workArea_ = workArea;
  }
  void EndProgram() override { ended_ = true; }
  bool ProgramEnded() const override { return ended_; }

  // Runs at the next DoEvents, as a user's action arriving in the message queue.
  void QueueAction(Handler action);
  // The answer to the next message box; without one a box takes its default (first) button.
  void QueueAnswer(MsgBoxResult answer);

  // The text typed into the next input box; nothing = Cancel. Without one, the user takes
  // the default text with OK.
  void QueueInput(std::optional<std::string> text);
  struct InputBoxRecord {
    std::string prompt;
    std::string title;
    std::string defaultText;
    std::string answer;
  };
  const std::vector<InputBoxRecord>& InputBoxes() const { return inputBoxes_; }
  struct TrayIcon {
    Window* owner = nullptr;
    std::string tip;
  };
  // The icon in the notification area, if one is there.
  const std::optional<TrayIcon>& Tray() const { return tray_; }

  const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }
  const std::vector<Window*>& LoadedWindows() const { return loadedWindows_; }
  // Told of every message box as it is shown (the console prints them).
  std::function<void(const MessageBoxRecord&)> onMessageBox;
  // Runs while a modal window is up, as the user looking at it; the user then closes it.
  std::function<void(Window&)> onModal;
  // Runs at every DoEvents before the queued actions: where events from outside the program
  // (the console's Ctrl-C) reach its windows.
  std::function<void()> onDoEvents;
  // Told just before a window is created or shown, a message box or input box opens, or the
  // tray icon is added, with what it is: where a test checks what the system must be for them.
  std::function<void(const std::string& what)> beforeShowing;

 private:
  void OnControlChanged(Control& control, ControlChange change) override;
  void Schedule(Timer& timer);
  void FireDueTimers();

  Clock& clock_;
  std::deque<Handler> pendingActions_;
  std::deque<MsgBoxResult> pendingAnswers_;
  std::vector<MessageBoxRecord> messageBoxes_;
  std::deque<std::optional<std::string>> pendingInputs_;
  std::vector<InputBoxRecord> inputBoxes_;
  std::optional<TrayIcon> tray_;
  bool ended_ = false;
  ScreenRect screen_{0, 0, 1024, 768};
  ScreenRect workArea_{0, 0, 1024, 768};
  std::vector<Window*> loadedWindows_;
  struct TimerSlot {
    Timer* timer;
    std::optional<uint64_t> dueMs;  // empty while the timer is stopped
  };
  // Every timer of the loaded windows, in load order: due timers fire in this order.
  std::vector<TimerSlot> timers_;
};

}  // namespace tarvonel
