#pragma once
#include "platform/platform.h"

namespace tarvonel {

// The real Windows calls, each a thin pass-through; record layouts reach the core unchanged.
class Win32Platform : public Platform {
 public:
  std::string CommandTail() override;
  bool IsUserAnAdmin() override;
  bool QueryOsVersion(OsVersionInfo& info) override;
  Wow64Query IsWow64Process() override;
  RedirectionResult DisableWow64FsRedirection() override;
  uint32_t OpenProcessToken(uint32_t desiredAccess, std::unique_ptr<ProcessToken>& token) override;
  uint32_t LookupPrivilege(const std::string& privilegeName, Luid& luid) override;
  uint32_t AdjustTokenPrivileges(ProcessToken& token, Luid luid, uint32_t attributes) override;
  bool InitCommonControls(uint32_t iccClasses) override;
  FormattedMessage FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) override;
  std::string WindowsDirectory() override;
  std::string LogicalDriveStrings() override;
  DriveType DriveTypeOf(const std::string& root) override;
};

}  // namespace tarvonel
