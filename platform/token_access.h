#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace tarvonel {

struct Luid {
  uint32_t LowPart = 0;
  int32_t HighPart = 0;
};

// An open access token of the current process; closed when destroyed.
class ProcessToken {
 public:
  virtual ~ProcessToken() = default;
};

// The process token and its privileges.
class TokenAccess {
 public:
  virtual ~TokenAccess() = default;

  virtual uint32_t OpenProcessToken(uint32_t desiredAccess, std::unique_ptr<ProcessToken>& token) = 0;
  // LookupPrivilegeValue on the local system.
  virtual uint32_t LookupPrivilege(const std::string& privilegeName, Luid& luid) = 0;
  // Enables one privilege. 0 or kNotAllAssigned when the call itself succeeded (the latter:
  // the token does not hold the privilege), any other number when it failed.
  virtual uint32_t AdjustTokenPrivileges(ProcessToken& token, Luid luid, uint32_t attributes) = 0;
};

}  // namespace tarvonel
