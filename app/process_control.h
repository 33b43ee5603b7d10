#pragma once
#include <cstdint>

namespace tarvonel {

class Platform;

// Sets the priority class of a process (0: the program's own) and returns the class read back
// afterwards; when the process cannot be opened for setting, the class stays as it was.
uint32_t SetProcessPriority(Platform& platform, uint32_t processId, uint32_t priorityClass);

// Log-off, shutdown, reboot or power-off of Windows: options 0, 1, 2 and 8; others do nothing.
class clsExitWindows {
 public:
  explicit clsExitWindows(Platform& platform) : platform_(platform) {}
  void ExitWindows(uint32_t aOption);

 private:
  Platform& platform_;
};

}  // namespace tarvonel
