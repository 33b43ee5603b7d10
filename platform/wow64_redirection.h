#pragma once
#include <cstdint>

#include "platform/os_facts.h"

namespace tarvonel {

// WOW64 file-system redirection of the program's one thread. On 64-bit Windows the 32-bit
// program is shown %windir%\SysWOW64 where it names %windir%\System32, so its volume work must
// run with redirection off. Off, though, a 32-bit process loads no system DLL, nor do user32,
// comctl32 and imm32 on its behalf (themes, input methods): "it should be disabled only when
// necessary for a single CreateFile call and re-enabled again immediately after the function
// returns" (File System Redirector, learn.microsoft.com/windows/win32/winprog64). So it stays on,
// and each call that must see the real file system turns it off for its own length only.
class Wow64Redirection {
 public:
  explicit Wow64Redirection(OsFacts& os) : os_(os) {}
  Wow64Redirection(const Wow64Redirection&) = delete;
  Wow64Redirection& operator=(const Wow64Redirection&) = delete;

  // Start-up's turn-off: Wow64DisableWow64FsRedirection, reverted at once when it worked. Its
  // result says whether the volume calls can have redirection off.
  RedirectionResult TurnOffForVolumeCalls();
  bool Usable() const { return usable_; }

  // Redirection off from construction to destruction, on again after; nothing where start-up
  // could not turn it off (a native process, a failed or missing call).
  class VolumeCallScope {
   public:
    explicit VolumeCallScope(Wow64Redirection& redirection);
    ~VolumeCallScope();
    VolumeCallScope(const VolumeCallScope&) = delete;
    VolumeCallScope& operator=(const VolumeCallScope&) = delete;

   private:
    Wow64Redirection& redirection_;
    bool off_ = false;
    uintptr_t oldValue_ = 0;
  };

 private:
  OsFacts& os_;
  bool usable_ = false;
};

}  // namespace tarvonel
