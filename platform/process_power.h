#pragma once
#include <cstdint>

#include "platform/volume_io.h"

namespace tarvonel {

// Process priority and the end of the session.
class ProcessPower {
 public:
  virtual ~ProcessPower() = default;

  // Process priority: OpenProcess on the current process id with `access`, Set/GetPriorityClass.
  virtual uint32_t GetCurrentProcessId() = 0;
  virtual OpenResult OpenProcess(uint32_t access, uint32_t processId) = 0;
  virtual bool SetPriorityClass(OsHandle& process, uint32_t priorityClass) = 0;
  virtual uint32_t GetPriorityClass(OsHandle& process) = 0;  // 0 when it fails
  // Starts a log-off or shutdown and returns at once; false when the system refused it.
  virtual bool ExitWindowsEx(uint32_t flags, uint32_t reason) = 0;
};

}  // namespace tarvonel
