#include "ui/debug_log/debug_log.h"

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

DebugLog::DebugLog(Toolkit& toolkit) : toolkit_(toolkit) {}

void DebugLog::AppendDebug(std::string_view line) {
  if (!window_.Loaded()) toolkit_.Load(window_);
  window_.DBGTXT.Append(line);
}

void DebugLog::ShowDebugLog() { toolkit_.Show(window_); }

void DebugLog::ClearDebugLog() { window_.DBGTXT.SetText({}); }

}  // namespace tarvonel
