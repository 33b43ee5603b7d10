#include "platform/wow64_redirection.h"

#include "base/win32_errors.h"

namespace tarvonel {

RedirectionResult Wow64Redirection::TurnOff() {
  const RedirectionResult result = os_.DisableWow64FsRedirection();
  if (result.outcome == RedirectionOutcome::Disabled) {
    off_ = true;
    oldValue_ = result.oldValue;
  }
  return result;
}

Wow64Redirection::SystemCallScope::SystemCallScope(Wow64Redirection& redirection) : redirection_(redirection) {
  if (!redirection_.off_) return;
  if (redirection_.os_.RevertWow64FsRedirection(redirection_.oldValue_) != win32_error::kSuccess) return;
  redirection_.off_ = false;
  reverted_ = true;
}

Wow64Redirection::SystemCallScope::~SystemCallScope() {
  // Should turning it off again fail, the program goes on with redirection on, as on a machine
  // where start-up could not turn it off: volume work then meets the 32-bit System32 view.
  if (reverted_) redirection_.TurnOff();
}

}  // namespace tarvonel
