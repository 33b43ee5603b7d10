#include "front/linux/console_boxes.h"

#include <chrono>
#include <iostream>
#include <thread>

#include "ui/controls/window.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {

std::string UnixLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

void PrintMessageBox(const MessageBoxRecord& box) {
  std::string text = UnixLines(box.prompt);
  std::string indented;
  for (char c : text) indented += (c == '\n') ? std::string("\n    ") : std::string(1, c);
  std::cerr << "[" << box.title << "] " << indented << std::endl;
}

void ServeModal(HeadlessToolkit& toolkit, Window& window) {
  auto waiting = [&] {
    for (Control* control : window.Controls()) {
      if (control->Kind() == ControlKind::Timer && control->Enabled()) return true;
    }
    return false;
  };
  while (window.Visible() && waiting() && !toolkit.ProgramEnded()) {
    toolkit.DoEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace tarvonel
