#include "ui/headless/headless_toolkit.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "ui/controls/window.h"

namespace tarvonel {
namespace {

std::vector<MsgBoxResult> ButtonsOf(MsgBoxButtons buttons) {
  switch (buttons) {
    case MsgBoxButtons::OK: return {MsgBoxResult::OK};
    case MsgBoxButtons::OKCancel: return {MsgBoxResult::OK, MsgBoxResult::Cancel};
    case MsgBoxButtons::AbortRetryIgnore:
      return {MsgBoxResult::Abort, MsgBoxResult::Retry, MsgBoxResult::Ignore};
    case MsgBoxButtons::YesNoCancel: return {MsgBoxResult::Yes, MsgBoxResult::No, MsgBoxResult::Cancel};
    case MsgBoxButtons::YesNo: return {MsgBoxResult::Yes, MsgBoxResult::No};
    case MsgBoxButtons::RetryCancel: return {MsgBoxResult::Retry, MsgBoxResult::Cancel};
  }
  return {MsgBoxResult::OK};
}

}  // namespace

HeadlessToolkit::HeadlessToolkit(Clock& clock) : clock_(clock) {}

void HeadlessToolkit::DoEvents() {
  if (ended_) return;
  if (onDoEvents) onDoEvents();
  // Only what was queued before this call runs now; actions queued by actions wait.
  std::deque<Handler> due;
  due.swap(pendingActions_);
  for (Handler& action : due) action();
  FireDueTimers();
}

MsgBoxResult HeadlessToolkit::MsgBox(const std::string& prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                                     const std::string& title, MsgBoxDefault defaultButton) {
  const std::vector<MsgBoxResult> offered = ButtonsOf(buttons);
  MsgBoxResult answer = defaultButton == MsgBoxDefault::Second && offered.size() > 1 ? offered[1] : offered.front();
  if (!pendingAnswers_.empty()) {
    answer = pendingAnswers_.front();
    pendingAnswers_.pop_front();
    if (std::find(offered.begin(), offered.end(), answer) == offered.end()) {
      throw std::logic_error("scripted answer is not a button of the message box \"" + prompt + "\"");
    }
  }
  if (beforeShowing) beforeShowing("the message box \"" + prompt + "\"");
  messageBoxes_.push_back({prompt, title, buttons, icon, answer});
  if (onMessageBox) onMessageBox(messageBoxes_.back());
  return answer;
}

void HeadlessToolkit::Load(Window& window) {
  if (window.Loaded()) return;
  if (beforeShowing) beforeShowing("the window \"" + window.Caption() + "\" created");
  window.MarkLoaded(true);
  loadedWindows_.push_back(&window);
  for (Control* control : window.Controls()) {
    control->SetObserver(this);
    if (control->Kind() != ControlKind::Timer) continue;
    timers_.push_back({static_cast<Timer*>(control), std::nullopt});
    Schedule(static_cast<Timer&>(*control));
  }
}

void HeadlessToolkit::Show(Window& window) {
  Load(window);
  if (beforeShowing && !window.Visible()) beforeShowing("the window \"" + window.Caption() + "\" shown");
  window.MarkVisible(true);
}

void HeadlessToolkit::Hide(Window& window) { window.MarkVisible(false); }

void HeadlessToolkit::Unload(Window& window) {
  if (!window.Loaded()) return;
  for (Control* control : window.Controls()) {
    control->SetObserver(nullptr);
  }
  std::erase_if(timers_, [&](const TimerSlot& slot) {
    const auto& controls = window.Controls();
    return std::find(controls.begin(), controls.end(), slot.timer) != controls.end();
  });
  std::erase(loadedWindows_, &window);
  window.MarkVisible(false);
  window.MarkLoaded(false);
}

void HeadlessToolkit::ShowModal(Window& window) {
  Show(window);
  if (onModal) onModal(window);
  Hide(window);
}

std::string HeadlessToolkit::InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) {
  if (beforeShowing) beforeShowing("the input box \"" + prompt + "\"");
  std::string answer = defaultText;
  if (!pendingInputs_.empty()) {
    answer = pendingInputs_.front().value_or(std::string());
    pendingInputs_.pop_front();
  }
  inputBoxes_.push_back({prompt, title, defaultText, answer});
  return answer;
}

void HeadlessToolkit::QueueInput(std::optional<std::string> text) { pendingInputs_.push_back(std::move(text)); }

void HeadlessToolkit::AddTrayIcon(Window& owner, const std::string& tip) {
  if (beforeShowing) beforeShowing("the tray icon \"" + tip + "\"");
  tray_ = TrayIcon{&owner, tip};
}

void HeadlessToolkit::RemoveTrayIcon(Window& owner) {
  if (tray_ && tray_->owner == &owner) tray_.reset();
}

void HeadlessToolkit::QueueAction(Handler action) { pendingActions_.push_back(std::move(action)); }

void HeadlessToolkit::QueueAnswer(MsgBoxResult answer) { pendingAnswers_.push_back(answer); }

void HeadlessToolkit::OnControlChanged(Control& control, ControlChange change) {
  if (control.Kind() != ControlKind::Timer) return;
  if (change == ControlChange::Enabled || change == ControlChange::Interval) {
    Schedule(static_cast<Timer&>(control));
  }
}

void HeadlessToolkit::Schedule(Timer& timer) {
  for (TimerSlot& slot : timers_) {
    if (slot.timer != &timer) continue;
    slot.dueMs.reset();
    if (timer.Enabled() && timer.Interval() > 0) slot.dueMs = clock_.NowMs() + timer.Interval();
  }
}

void HeadlessToolkit::FireDueTimers() {
  const uint64_t now = clock_.NowMs();
  std::vector<Timer*> due;
  for (const TimerSlot& slot : timers_) {
    if (slot.dueMs && *slot.dueMs <= now) due.push_back(slot.timer);
  }
  for (Timer* timer : due) {
    // A tick may stop or unload a timer that was due; only those still due fire.
    auto slot = std::find_if(timers_.begin(), timers_.end(), [&](const TimerSlot& s) { return s.timer == timer; });
    if (slot == timers_.end() || !slot->dueMs || *slot->dueMs > now) continue;
    slot->dueMs = now + timer->Interval();  // like a window timer: late ticks are not made up
    timer->Tick();
  }
}

}  // namespace tarvonel
