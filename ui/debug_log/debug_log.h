#pragma once
#include <string>
#include <string_view>

#include "ui/controls/controls.h"
#include "ui/controls/toolkit.h"
#include "ui/controls/window.h"

namespace tarvonel {

inline constexpr std::string_view kCrLf = "\r\n";

// The debug log window: one multi-line text box that always shows its newest line.
class FrmDBG : public Window {
 public:
  FrmDBG();
  TextBox DBGTXT;

 private:
  void DBGTXT_Change();
};

// The program's only diagnostic output: a growing text of CR LF-ended lines, kept in the
// debug window's text box, which is created hidden by the first append.
class DebugLog {
 public:
  explicit DebugLog(Toolkit& toolkit);

  // `line` carries its own CR LF.
  void AppendDebug(std::string_view line);
  void ShowDebugLog();
  void ClearDebugLog();

  const std::string& Text() const { return window_.DBGTXT.Text(); }
  FrmDBG& Window() { return window_; }

 private:
  Toolkit& toolkit_;
  FrmDBG window_;
};

}  // namespace tarvonel
