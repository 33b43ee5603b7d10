#pragma once
#include <cstdint>

namespace tarvonel {

class ProcessPower;
class TokenAccess;

// Sets the priority class of a process (0: the program's own) and returns the class read back
// afterwards; when the process cannot be opened for setting, the class stays as it was.
uint32_t SetProcessPriority(ProcessPower& power, uint32_t processId, uint32_t priorityClass);

// Log-off, shutdown, reboot or power-off of Windows: options 0, 1, 2 and 8; others do nothing.
class clsExitWindows {
 public:
  clsExitWindows(TokenAccess& token, ProcessPower& power) : token_(token), power_(power) {}
  void ExitWindows(uint32_t aOption);

 private:
  TokenAccess& token_;
  ProcessPower& power_;
};

}  // namespace tarvonel
