#pragma once
#include <string>

namespace tarvonel {

class HeadlessToolkit;
class Window;
struct MessageBoxRecord;

// Windows texts end lines in CR LF; a terminal wants LF.
std::string UnixLines(const std::string& text);
// A message box on stderr: its title in brackets, its lines indented.
void PrintMessageBox(const MessageBoxRecord& box);
// A modal window that waits on a timer (the temperature warning) is served in real time until
// it closes itself; any other is closed at once, as a user would after reading it.
void ServeModal(HeadlessToolkit& toolkit, Window& window);

}  // namespace tarvonel
