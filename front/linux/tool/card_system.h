#pragma once
#include "platform/os_facts.h"

namespace tarvonel {

// What a job on a card asks of the system it runs on, answered for a Linux host: no Windows
// directory (so no card is taken for the Windows volume and no prefetch list is read), no
// WOW64, 8-bit names read as Latin-1, system texts as plain error numbers (the tool keeps no
// debug log). Nothing here is simulated: the card is the only machine the tool touches.
class CardSystem : public OsFacts {
 public:
  std::string CommandTail() override { return {}; }
  bool IsUserAnAdmin() override { return true; }
  bool QueryOsVersion(OsVersionInfo&) override { return false; }
  Wow64Query IsWow64Process() override { return {}; }
  RedirectionResult DisableWow64FsRedirection() override { return {RedirectionOutcome::FunctionMissing, 0, 0}; }
  uint32_t RevertWow64FsRedirection(uintptr_t) override { return 0; }
  FormattedMessage FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) override;
  std::string SystemCodePageToUtf8(const std::string& text) override;
  std::string WindowsDirectory() override { return {}; }
  std::string LogicalDriveStrings() override { return std::string("C:\\\0\0", 5); }
  DriveType DriveTypeOf(const std::string&) override { return DriveType::Removable; }
};

}  // namespace tarvonel
