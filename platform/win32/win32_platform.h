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
  uint32_t RevertWow64FsRedirection(uintptr_t oldValue) override;
  uint32_t OpenProcessToken(uint32_t desiredAccess, std::unique_ptr<ProcessToken>& token) override;
  uint32_t LookupPrivilege(const std::string& privilegeName, Luid& luid) override;
  uint32_t AdjustTokenPrivileges(ProcessToken& token, Luid luid, uint32_t attributes) override;
  bool InitCommonControls(uint32_t iccClasses) override;
  FormattedMessage FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) override;
  std::string WindowsDirectory() override;
  std::string LogicalDriveStrings() override;
  DriveType DriveTypeOf(const std::string& root) override;
  uint32_t GetCurrentProcessId() override;
  OpenResult OpenProcess(uint32_t access, uint32_t processId) override;
  bool SetPriorityClass(OsHandle& process, uint32_t priorityClass) override;
  uint32_t GetPriorityClass(OsHandle& process) override;
  bool ExitWindowsEx(uint32_t flags, uint32_t reason) override;
  uint32_t DiskCheckAvailable(const std::string& root) override;
  void RunChkdsk(const std::string& root, const std::string& fileSystem, bool fix, bool verbose, bool onlyIfDirty,
                 bool scanDrive, const std::function<bool(const ChkdskReport&)>& report) override;
  OpenResult OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) override;
  uint32_t DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, uint32_t& bytesReturned) override;
  uint32_t MoveFileClusters(OsHandle& volume, OsHandle& file, int64_t startingVcn, int64_t startingLcn,
                    uint32_t clusterCount) override;
  uint32_t NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                           uint32_t& information) override;
  uint32_t NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                  uint32_t& information) override;
  std::unique_ptr<OsFindHandle> FindFirst(const std::string& pattern, FindEntry& entry, uint32_t& error) override;
  bool FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) override;
  DiskFreeSpace QueryDiskFreeSpace(const std::string& root) override;
  VolumeInformation QueryVolumeInformation(const std::string& root) override;
  bool GetInputState() override;
  uint32_t SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) override;
  uint32_t ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) override;
  std::string SystemCodePageToUtf8(const std::string& text) override;

  uint32_t ShellOpen(const std::string& file) override;
  void EmptyRecycleBins() override;
  uint32_t ExpandEnvironment(const std::string& text, uint32_t bufferChars, std::string& expanded) override;
  std::string SpecialFolder(const std::string& name) override;
  uint32_t SaveShellLink(const std::string& linkPath, const ShellLink& link) override;
  uint32_t WriteTextFile(const std::string& path, const std::string& text) override;
  std::string ProgramFolder() override;
  std::unique_ptr<RegistryKey> PredefinedKey(uint32_t hkey) override;
  uint32_t RegistryCreateKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                        std::unique_ptr<RegistryKey>& key) override;
  uint32_t RegistryOpenKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                      std::unique_ptr<RegistryKey>& key) override;
  uint32_t RegistrySetString(RegistryKey& key, const std::string& name, const std::string& text) override;
  uint32_t RegistryEnumValue(RegistryKey& key, uint32_t index, uint32_t nameChars, uint32_t dataBytes,
                        RegistryValue& value) override;
  uint32_t RegistryEnumKey(RegistryKey& key, uint32_t index, uint32_t nameChars, std::string& name) override;
  uint32_t RegistryDeleteKey(RegistryKey& parent, const std::string& subKey, uint32_t view) override;
};

}  // namespace tarvonel
