#pragma once
#include <string_view>

#include "base/debug_log.h"
#include "platform/system_error_text.h"
#include "ui/controls/controls.h"
#include "ui/controls/toolkit.h"
#include "ui/controls/window.h"

namespace tarvonel {

// The debug log window: one multi-line text box that always shows its newest line.
class FrmDBG : public Window {
 public:
  FrmDBG();
  TextBox DBGTXT;

 private:
  void DBGTXT_Change();
};

// Shows the debug log in its window, which the first append creates hidden.
class DebugLogWindow : private DebugLog::Viewer {
 public:
  DebugLogWindow(Toolkit& toolkit, DebugLog& log);
  ~DebugLogWindow() override;
  DebugLogWindow(const DebugLogWindow&) = delete;
  DebugLogWindow& operator=(const DebugLogWindow&) = delete;

  void ShowDebugLog();
  FrmDBG& Window() { return window_; }
  DebugLog& Log() { return log_; }

 private:
  void Appended(std::string_view piece) override;
  void Cleared() override;

  Toolkit& toolkit_;
  DebugLog& log_;
  FrmDBG window_;
};

// Tells the user in a message box that the system could not give an error's text.
SystemErrorText::FailureNotice MessageBoxNotice(Toolkit& toolkit);

}  // namespace tarvonel
