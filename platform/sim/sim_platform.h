#pragma once
#include <deque>
#include <map>
#include <optional>
#include <vector>
#include <set>
#include <string>

#include "platform/platform.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_shell.h"
#include "platform/sim/sim_volume.h"

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
  uint32_t RevertWow64FsRedirection(uintptr_t oldValue) override;
  uint32_t OpenProcessToken(uint32_t desiredAccess, std::unique_ptr<ProcessToken>& token) override;
  uint32_t LookupPrivilege(const std::string& privilegeName, Luid& luid) override;
  uint32_t AdjustTokenPrivileges(ProcessToken& token, Luid luid, uint32_t attributes) override;
  bool InitCommonControls(uint32_t iccClasses) override;
  FormattedMessage FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) override;
  std::string WindowsDirectory() override { return machine_.os.windowsDirectory; }
  std::string LogicalDriveStrings() override;
  DriveType DriveTypeOf(const std::string& root) override;

  uint32_t GetCurrentProcessId() override { return kProcessId; }
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
  // The simulated machine's code page is Windows-1252 without its 0x80-0x9F extras (Latin-1).
  std::string SystemCodePageToUtf8(const std::string& text) override;

  uint32_t ShellOpen(const std::string& file) override;
  void EmptyRecycleBins() override;
  uint32_t ExpandEnvironment(const std::string& text, uint32_t bufferChars, std::string& expanded) override {
    return shell_.Expand(text, bufferChars, expanded);
  }
  std::string SpecialFolder(const std::string& name) override;
  uint32_t SaveShellLink(const std::string& linkPath, const ShellLink& link) override;
  uint32_t WriteTextFile(const std::string& path, const std::string& text) override {
    return shell_.WriteTextFile(path, text);
  }
  std::string ProgramFolder() override { return shell_.ProgramFolder(); }
  std::unique_ptr<RegistryKey> PredefinedKey(uint32_t hkey) override { return registry_.Predefined(hkey); }
  uint32_t RegistryCreateKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                        std::unique_ptr<RegistryKey>& key) override {
    return registry_.Create(parent, subKey, access, key);
  }
  uint32_t RegistryOpenKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                      std::unique_ptr<RegistryKey>& key) override {
    return registry_.Open(parent, subKey, access, key);
  }
  uint32_t RegistrySetString(RegistryKey& key, const std::string& name, const std::string& text) override {
    return registry_.SetString(key, name, text);
  }
  uint32_t RegistryEnumValue(RegistryKey& key, uint32_t index, uint32_t nameChars, uint32_t dataBytes,
                        RegistryValue& value) override {
    return registry_.EnumValue(key, index, nameChars, dataBytes, value);
  }
  uint32_t RegistryEnumKey(RegistryKey& key, uint32_t index, uint32_t nameChars, std::string& name) override {
    return registry_.EnumKey(key, index, nameChars, name);
  }
  uint32_t RegistryDeleteKey(RegistryKey& parent, const std::string& subKey, uint32_t view) override {
    return registry_.Delete(parent, subKey, view);
  }

  void SetCommandTail(std::string tail) { commandTail_ = std::move(tail); }
  // 0 makes FormatMessage work again.
  void FailFormatMessage(uint32_t error) { machine_.formatMessageFailsWith = error; }

  // Answers of GetInputState, one per call; once used up, no input is waiting.
  void QueueInputState(std::vector<bool> answers);
  // The next matching control call (from the `afterCalls`-th on) fails with `error`.
  void InjectIoControlFailure(uint32_t code, int afterCalls, uint32_t error);
  // Retrieval-pointer reads of this path answer "more data" without moving on.
  void InjectStuckRetrieval(const std::string& path) { stuckRetrievalPath_ = path; }
  void FailDiskFreeSpace(uint32_t error) { diskFreeSpaceError_ = error; }
  // Moves of this file fail with `error`: after `afterMoves` attempts, `times` times.
  void InjectMoveFailure(const std::string& path, uint32_t error, int afterMoves = 0, int times = 1 << 30);
  // The disk's own controls (SMART, the storage property query) for the drive `letter`, on a
  // volume handle opened with `access`; a drive whose volume another back end serves uses them too.
  uint32_t DiskControl(char letter, uint32_t access, uint32_t code, const void* input, uint32_t inputSize,
                       void* output, uint32_t outputSize, uint32_t& bytesReturned);
  // Another program opens the file now: later opens meet the lock.
  void LockFile(const std::string& path, SimLock lock);
  // Checks the volume's invariants after every move; the first failure is kept.
  void VerifyEveryMove(bool on) { verifyEveryMove_ = on; }
  const std::string& InvariantFailure() const { return invariantFailure_; }
  int Moves() const { return moves_; }
  int DiskChecks() const { return diskChecks_; }
  int64_t ClustersMoved() const { return clustersMoved_; }
  SimVolume* Volume(char letter);
  int OpenHandles() const { return openHandles_; }

  // What the program did to the machine.
  uint32_t PriorityClass() const { return priorityClass_; }
  // The ExitWindowsEx flags of the last request the system accepted, if any.
  std::optional<uint32_t> ExitRequest() const { return exitRequest_; }
  // The shutdown reason code that request gave, as the system's event log records it.
  std::optional<uint32_t> ExitReason() const { return exitReason_; }
  const std::set<std::string>& EnabledPrivileges() const { return enabledPrivileges_; }
  bool RedirectionDisabled() const { return redirectionDisabled_; }
  // Where a path leads the 32-bit program in the redirection state it is in: with redirection
  // on (on 64-bit Windows), System32 leads to SysWOW64. Nothing when it leads where it says.
  std::optional<std::string> RedirectedPath(const std::string& path) const;
  std::optional<uint32_t> CommonControlClasses() const { return commonControlClasses_; }

  const Machine& Description() const { return machine_; }
  SimShell& Shell() { return shell_; }
  const SimShell& Shell() const { return shell_; }
  SimRegistry& Registry() { return registry_; }
  const SimRegistry& Registry() const { return registry_; }

  // The machine and its state as text, for failure messages.
  std::string Dump() const;

 private:
  Machine machine_;
  std::string commandTail_;
  std::set<std::string> enabledPrivileges_;
  bool redirectionDisabled_ = false;
  std::optional<uint32_t> commonControlClasses_;

  struct IoControlFault {
    uint32_t code;
    int callsLeft;
    uint32_t error;
  };
  SimEntry* ResolveEntry(char letter, const std::string& pathBelowRoot, int depth, uint32_t& error);
  uint32_t ReadBitmap(SimVolume& volume, const void* input, uint32_t inputSize, uint8_t* output, uint32_t outputSize,
                      uint32_t& bytesReturned);
  uint32_t ReadRetrievalPointers(const SimStream& stream, const void* input, uint32_t inputSize, uint8_t* output,
                                 uint32_t outputSize, uint32_t& bytesReturned);
  std::deque<bool> inputStates_;
  std::vector<IoControlFault> ioControlFaults_;
  std::string stuckRetrievalPath_;
  uint32_t diskFreeSpaceError_ = 0;
  struct MoveFault {
    std::string path;
    uint32_t error;
    int skip;
    int times;
  };
  std::vector<MoveFault> moveFaults_;
  bool verifyEveryMove_ = false;
  std::string invariantFailure_;
  int moves_ = 0;
  int diskChecks_ = 0;
  const SimDrive* DriveOf(const std::string& root) const;
  bool SystemDllsLoad() const;
  int64_t clustersMoved_ = 0;
  int openHandles_ = 0;
  static constexpr uint32_t kProcessId = 4242;
  uint32_t priorityClass_ = 32;  // NORMAL_PRIORITY_CLASS
  std::optional<uint32_t> exitRequest_;
  std::optional<uint32_t> exitReason_;
  SimShell shell_;
  SimRegistry registry_;
  std::map<char, size_t> smartReadings_;  // data-page reads so far, by drive letter
  uint32_t SeekPenaltyQuery(const SimDrive& drive, const uint8_t* input, uint32_t inputSize, uint8_t* output,
                            uint32_t outputSize, uint32_t& bytesReturned) const;
  uint32_t SmartCommand(const SimDrive& drive, uint32_t code, const uint8_t* input, uint32_t inputSize,
                        uint8_t* output, uint32_t outputSize, uint32_t& bytesReturned);
};

}  // namespace tarvonel
