#pragma once
#include <cstdint>

#include "platform/os_facts.h"

namespace tarvonel {

// WOW64 file-system redirection of the program's one thread. Start-up turns it off for the
// life of the process, so that the volume work of the 32-bit program on 64-bit Windows sees
// the real System32. Loading a DLL, the shell and COM depend on redirection, though: with it
// off a 32-bit process finds the 64-bit system DLLs and fails to load them. Every such call
// therefore runs inside a SystemCallScope, which turns redirection back on for its length.
class Wow64Redirection {
 public:
  explicit Wow64Redirection(OsFacts& os) : os_(os) {}
  Wow64Redirection(const Wow64Redirection&) = delete;
  Wow64Redirection& operator=(const Wow64Redirection&) = delete;

  // Wow64DisableWow64FsRedirection; on success the old value is kept for the scopes.
  RedirectionResult TurnOff();
  bool Off() const { return off_; }
  uintptr_t OldValue() const { return oldValue_; }

  // Redirection on from construction to destruction, then off again; nothing when it is not off
  // (a native process, a failed turn-off, or inside another scope).
  class SystemCallScope {
   public:
    explicit SystemCallScope(Wow64Redirection& redirection);
    ~SystemCallScope();
    SystemCallScope(const SystemCallScope&) = delete;
    SystemCallScope& operator=(const SystemCallScope&) = delete;

   private:
    Wow64Redirection& redirection_;
    bool reverted_ = false;
  };

 private:
  OsFacts& os_;
  bool off_ = false;
  uintptr_t oldValue_ = 0;
};

}  // namespace tarvonel
