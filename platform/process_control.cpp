#include "platform/process_control.h"

#include <memory>

#include "platform/process_power.h"
#include "platform/token_access.h"
#include "platform/win32_codes.h"

namespace tarvonel {
namespace {

constexpr uint32_t kProcessSetAndQuery = 0x600;  // PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION
constexpr uint32_t kProcessQuery = 0x400;
// SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED: the job
// asked for it in advance. The system logs the reason, so it must be one Windows documents.
constexpr uint32_t kPlannedOtherReason = 0x80000000;

}  // namespace

uint32_t SetProcessPriority(ProcessPower& power, uint32_t processId, uint32_t priorityClass) {
  const uint32_t id = processId == 0 ? power.GetCurrentProcessId() : processId;
  OpenResult process = power.OpenProcess(kProcessSetAndQuery, id);
  if (process.handle) {
    power.SetPriorityClass(*process.handle, priorityClass);
  } else {
    process = power.OpenProcess(kProcessQuery, id);
  }
  return process.handle ? power.GetPriorityClass(*process.handle) : 0;
}

void clsExitWindows::ExitWindows(uint32_t aOption) {
  // The privilege is asked for and failures are not examined: a missing one means the
  // request below is refused and nothing happens.
  std::unique_ptr<ProcessToken> token;
  if (token_.OpenProcessToken(win32::kTokenAdjustPrivilegesAndQuery, token) == 0 && token) {
    Luid luid;
    if (token_.LookupPrivilege("SeShutdownPrivilege", luid) == 0) {
      token_.AdjustTokenPrivileges(*token, luid, win32::kSePrivilegeEnabled);
    }
  }
  uint32_t flags = 0;
  switch (aOption) {
    case 0: flags = 4; break;   // log off, forced
    case 1: flags = 5; break;   // shut down, forced
    case 2: flags = 7; break;   // reboot, forced
    case 8: flags = 12; break;  // power off, forced
    default: return;
  }
  power_.ExitWindowsEx(flags, kPlannedOtherReason);
}

}  // namespace tarvonel
