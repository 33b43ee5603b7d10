#include "platform/wow64_redirection.h"

namespace tarvonel {

RedirectionResult Wow64Redirection::TurnOffForVolumeCalls() {
  const RedirectionResult result = os_.DisableWow64FsRedirection();
  if (result.outcome == RedirectionOutcome::Disabled) {
    // Every successful turn-off is matched by a revert with the value it gave.
    usable_ = true;
    os_.RevertWow64FsRedirection(result.oldValue);
  }
  return result;
}

Wow64Redirection::VolumeCallScope::VolumeCallScope(Wow64Redirection& redirection) : redirection_(redirection) {
  if (!redirection_.usable_) return;
  const RedirectionResult result = redirection_.os_.DisableWow64FsRedirection();
  if (result.outcome != RedirectionOutcome::Disabled) return;  // the call goes on with the 32-bit view
  off_ = true;
  oldValue_ = result.oldValue;
}

Wow64Redirection::VolumeCallScope::~VolumeCallScope() {
  if (off_) redirection_.os_.RevertWow64FsRedirection(oldValue_);
}

}  // namespace tarvonel
