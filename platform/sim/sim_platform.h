#pragma once
#include <optional>
#include <set>
#include <string>

#include "platform/platform.h"
#include "platform/sim/machine.h"

namespace tarvonel {

// The Platform of a simulated machine: answers as Windows would for the machine described.
class SimPlatform : public Platform {
 public:
  explicit SimPlatform(Machine machine);

  std::string CommandTail() override { return commandTail_; }
  bool IsUserAnAdmin() override { return machine_.administrator; }
  bool QueryOsVersion(OsVersionInfo& info) override;
  Wow64Query IsWow64Process() override;
  RedirectionResult DisableWow64FsRedirection() override;
  uint32_t OpenProcessToken(uint32_t desiredAccess, std::unique_ptr<ProcessToken>& token) override;
  uint32_t LookupPrivilege(const std::string& privilegeName, Luid& luid) override;
  uint32_t AdjustTokenPrivileges(ProcessToken& token, Luid luid, uint32_t attributes) override;
  bool InitCommonControls(uint32_t iccClasses) override;
  FormattedMessage FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) override;
  std::string WindowsDirectory() override { return machine_.os.windowsDirectory; }
  std::string LogicalDriveStrings() override;
  DriveType DriveTypeOf(const std::string& root) override;

  void SetCommandTail(std::string tail) { commandTail_ = std::move(tail); }
  // 0 makes FormatMessage work again.
  void FailFormatMessage(uint32_t error) { machine_.formatMessageFailsWith = error; }

  // What the program did to the machine.
  const std::set<std::string>& EnabledPrivileges() const { return enabledPrivileges_; }
  bool RedirectionDisabled() const { return redirectionDisabled_; }
  std::optional<uint32_t> CommonControlClasses() const { return commonControlClasses_; }

  // The machine and its state as text, for failure messages.
  std::string Dump() const;

 private:
  Machine machine_;
  std::string commandTail_;
  std::set<std::string> enabledPrivileges_;
  bool redirectionDisabled_ = false;
  std::optional<uint32_t> commonControlClasses_;
};

}  // namespace tarvonel
