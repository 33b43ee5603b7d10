#pragma once
#include <string>

namespace tarvonel {

// "v" + major.minor.revision: the first debug-log line and the main window's version label.
std::string ProgramVersionText();

}  // namespace tarvonel
