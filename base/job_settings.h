#pragma once
#include <string>

namespace tarvonel {

enum class JobAction { None, Defragment, Optimize, Compact };

// What the current job is to do; one record for the whole process. Fields keep their last
// value between jobs. The action and the tray switch of a command line live only for its parse.
struct JobSettings {
  std::string DriveRoot;  // drive letter, colon and backslash
  std::string Directory;  // below DriveRoot, no leading backslash; empty = whole volume
  bool ShutdownAfter = false;
  bool CloseAfter = false;
  bool VssSafe = false;
  bool DebugLog = false;
};

}  // namespace tarvonel
