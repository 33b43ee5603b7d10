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
  MsgBoxResult MsgBox(const std::string& prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                      const std::string& title) override;
  void Load(Window& window) override;
  void Show(Window& window) override;
  void Hide(Window& window) override;
  void Unload(Window& window) override;
  void ShowModal(Window& window) override;

  // Runs at the next DoEvents, as a user's action arriving in the message queue.
  void QueueAction(Handler action);
  // The answer to the next message box; without one a box takes its default (first) button.
  void QueueAnswer(MsgBoxResult answer);

  const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }
  const std::vector<Window*>& LoadedWindows() const { return loadedWindows_; }
  // Told of every message box as it is shown (the console prints them).
  std::function<void(const MessageBoxRecord&)> onMessageBox;
  // Runs while a modal window is up, as the user looking at it; the user then closes it.
  std::function<void(Window&)> onModal;

 private:
  void OnControlChanged(Control& control, ControlChange change) override;
  void Schedule(Timer& timer);
  void FireDueTimers();

  Clock& clock_;
  std::deque<Handler> pendingActions_;
  std::deque<MsgBoxResult> pendingAnswers_;
  std::vector<MessageBoxRecord> messageBoxes_;
  std::vector<Window*> loadedWindows_;
  struct TimerSlot {
    Timer* timer;
    std::optional<uint64_t> dueMs;  // empty while the timer is stopped
  };
  // Every timer of the loaded windows, in load order: due timers fire in this order.
  std::vector<TimerSlot> timers_;
};

}  // namespace tarvonel
