#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/image/fat_volume.h"
#include "platform/platform.h"
#include "platform/sim/sim_platform.h"

namespace tarvonel {

// A simulated machine whose image drives are real FAT volumes: each such drive's volume and
// files are served by its FatVolume, over the medium; everything else (the other drives, the
// OS facts, token, power, disk check, shell and registry) by the simulated machine, whose
// fault knobs never reach an image drive.
class ImagePlatform : public Platform {
 public:
  ImagePlatform(SimPlatform& machine, std::vector<std::unique_ptr<fat::FatVolume>> volumes);

  SimPlatform& Machine() { return machine_; }
  const SimPlatform& Machine() const { return machine_; }
  const std::vector<std::unique_ptr<fat::FatVolume>>& Volumes() const { return volumes_; }
  fat::FatVolume* VolumeOf(char letter) const;
  int Moves() const;  // on every drive, simulated or image
  // Every image volume's batch on its medium; false when one could not be written.
  bool CommitPendingMoves();
  int64_t ClustersMoved() const;

  // The volume role: by drive letter or by the handle's owner.
  OpenResult OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) override;
  uint32_t DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, uint32_t& bytesReturned) override {
    return For(handle).DeviceIoControl(handle, code, input, inputSize, output, outputSize, bytesReturned);
  }
  uint32_t MoveFileClusters(OsHandle& volume, OsHandle& file, int64_t startingVcn, int64_t startingLcn,
                            uint32_t clusterCount) override {
    return For(volume).MoveFileClusters(volume, file, startingVcn, startingLcn, clusterCount);
  }
  uint32_t NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                           uint32_t& information) override {
    return For(handle).NtFsControlFile(handle, code, output, outputSize, information);
  }
  uint32_t NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                  uint32_t& information) override {
    return For(handle).NtQueryInformationFile(handle, output, length, infoClass, information);
  }
  std::unique_ptr<OsFindHandle> FindFirst(const std::string& pattern, FindEntry& entry, uint32_t& error) override;
  // Every back end's searches are the same listing.
  bool FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) override {
    return machine_.FindNext(search, entry, error);
  }
  DiskFreeSpace QueryDiskFreeSpace(const std::string& root) override { return ForRoot(root).QueryDiskFreeSpace(root); }
  VolumeInformation QueryVolumeInformation(const std::string& root) override {
    return ForRoot(root).QueryVolumeInformation(root);
  }
  bool GetInputState() override { return machine_.GetInputState(); }
  uint32_t SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) override {
    return For(handle).SetFilePointer(handle, distanceLow, distanceHigh);
  }
  uint32_t ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) override {
    return For(handle).ReadFile(handle, buffer, bytes, bytesRead);
  }

  // The rest of the machine.
  std::string CommandTail() override { return machine_.CommandTail(); }
  bool IsUserAnAdmin() override { return machine_.IsUserAnAdmin(); }
  bool QueryOsVersion(OsVersionInfo& info) override { return machine_.QueryOsVersion(info); }
  Wow64Query IsWow64Process() override { return machine_.IsWow64Process(); }
  RedirectionResult DisableWow64FsRedirection() override { return machine_.DisableWow64FsRedirection(); }
  uint32_t RevertWow64FsRedirection(uintptr_t oldValue) override { return machine_.RevertWow64FsRedirection(oldValue); }
  FormattedMessage FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) override {
    return machine_.FormatMessageFromSystem(code, bufferChars);
  }
  std::string SystemCodePageToUtf8(const std::string& text) override { return machine_.SystemCodePageToUtf8(text); }
  std::string WindowsDirectory() override { return machine_.WindowsDirectory(); }
  std::string LogicalDriveStrings() override { return machine_.LogicalDriveStrings(); }
  DriveType DriveTypeOf(const std::string& root) override { return machine_.DriveTypeOf(root); }
  uint32_t OpenProcessToken(uint32_t desiredAccess, std::unique_ptr<ProcessToken>& token) override {
    return machine_.OpenProcessToken(desiredAccess, token);
  }
  uint32_t LookupPrivilege(const std::string& privilegeName, Luid& luid) override {
    return machine_.LookupPrivilege(privilegeName, luid);
  }
  uint32_t AdjustTokenPrivileges(ProcessToken& token, Luid luid, uint32_t attributes) override {
    return machine_.AdjustTokenPrivileges(token, luid, attributes);
  }
  uint32_t GetCurrentProcessId() override { return machine_.GetCurrentProcessId(); }
  OpenResult OpenProcess(uint32_t access, uint32_t processId) override { return machine_.OpenProcess(access, processId); }
  bool SetPriorityClass(OsHandle& process, uint32_t priorityClass) override {
    return machine_.SetPriorityClass(process, priorityClass);
  }
  uint32_t GetPriorityClass(OsHandle& process) override { return machine_.GetPriorityClass(process); }
  bool ExitWindowsEx(uint32_t flags, uint32_t reason) override { return machine_.ExitWindowsEx(flags, reason); }
  uint32_t DiskCheckAvailable(const std::string& root) override { return machine_.DiskCheckAvailable(root); }
  void RunChkdsk(const std::string& root, const std::string& fileSystem, bool fix, bool verbose, bool onlyIfDirty,
                 bool scanDrive, const std::function<bool(const ChkdskReport&)>& report) override {
    machine_.RunChkdsk(root, fileSystem, fix, verbose, onlyIfDirty, scanDrive, report);
  }
  bool InitCommonControls(uint32_t iccClasses) override { return machine_.InitCommonControls(iccClasses); }
  uint32_t ShellOpen(const std::string& file) override { return machine_.ShellOpen(file); }
  void EmptyRecycleBins() override { machine_.EmptyRecycleBins(); }
  uint32_t ExpandEnvironment(const std::string& text, uint32_t bufferChars, std::string& expanded) override {
    return machine_.ExpandEnvironment(text, bufferChars, expanded);
  }
  std::string SpecialFolder(const std::string& name) override { return machine_.SpecialFolder(name); }
  uint32_t SaveShellLink(const std::string& linkPath, const ShellLink& link) override {
    return machine_.SaveShellLink(linkPath, link);
  }
  uint32_t WriteTextFile(const std::string& path, const std::string& text) override {
    return machine_.WriteTextFile(path, text);
  }
  std::string ProgramFolder() override { return machine_.ProgramFolder(); }
  std::unique_ptr<RegistryKey> PredefinedKey(uint32_t hkey) override { return machine_.PredefinedKey(hkey); }
  uint32_t RegistryCreateKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                             std::unique_ptr<RegistryKey>& key) override {
    return machine_.RegistryCreateKey(parent, subKey, access, key);
  }
  uint32_t RegistryOpenKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                           std::unique_ptr<RegistryKey>& key) override {
    return machine_.RegistryOpenKey(parent, subKey, access, key);
  }
  uint32_t RegistrySetString(RegistryKey& key, const std::string& name, const std::string& text) override {
    return machine_.RegistrySetString(key, name, text);
  }
  uint32_t RegistryEnumValue(RegistryKey& key, uint32_t index, uint32_t nameChars, uint32_t dataBytes,
                             RegistryValue& value) override {
    return machine_.RegistryEnumValue(key, index, nameChars, dataBytes, value);
  }
  uint32_t RegistryEnumKey(RegistryKey& key, uint32_t index, uint32_t nameChars, std::string& name) override {
    return machine_.RegistryEnumKey(key, index, nameChars, name);
  }
  uint32_t RegistryDeleteKey(RegistryKey& parent, const std::string& subKey) override {
    return machine_.RegistryDeleteKey(parent, subKey);
  }

 private:
  VolumeIo& For(const OsHandle& handle) const;
  VolumeIo& ForRoot(const std::string& root) const;

  SimPlatform& machine_;
  std::vector<std::unique_ptr<fat::FatVolume>> volumes_;
};

}  // namespace tarvonel
