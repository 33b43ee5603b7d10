#include "ui/debug_log/debug_log_window.h"

#include "version.h"

namespace tarvonel {

FrmDBG::FrmDBG() : Window("FrmDBG", "Debug", 640, 420), DBGTXT("DBGTXT") {
  DBGTXT.fontName = "Lucida Sans Unicode";
  DBGTXT.multiLine = true;
  DBGTXT.verticalScrollBar = true;
  DBGTXT.SetPlacement({0, 0, 640, 420, true});
  DBGTXT.OnChange = [this] { DBGTXT_Change(); };
  Register(DBGTXT);
}

void FrmDBG::DBGTXT_Change() { DBGTXT.ScrollToEnd(); }

DebugLogWindow::DebugLogWindow(Toolkit& toolkit, DebugLog& log) : toolkit_(toolkit), log_(log) {
  log_.SetViewer(this);
}

DebugLogWindow::~DebugLogWindow() { log_.SetViewer(nullptr); }

void DebugLogWindow::Appended(std::string_view piece) {
  if (!window_.Loaded()) toolkit_.Load(window_);
  window_.DBGTXT.Append(piece);
}

void DebugLogWindow::Cleared() { window_.DBGTXT.SetText({}); }

void DebugLogWindow::ShowDebugLog() { toolkit_.Show(window_); }

SystemErrorText::FailureNotice MessageBoxNotice(Toolkit& toolkit) {
  return [&toolkit](const std::string& message) {
    toolkit.MsgBox(message, MsgBoxButtons::OK, MsgBoxIcon::None, kProgramName);
  };
}

}  // namespace tarvonel
