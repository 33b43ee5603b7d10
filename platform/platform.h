#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tarvonel {

// The fields of OSVERSIONINFOA that the program reads.
struct OsVersionInfo {
  uint32_t MajorVersion = 0;
  uint32_t MinorVersion = 0;
  uint32_t BuildNumber = 0;
  uint32_t PlatformId = 0;
  std::array<char, 128> CSDVersion{};  // fixed buffer as Windows fills it; may hold no NUL
};

struct Wow64Query {
  uint32_t error = 0;  // non-zero: the query itself failed
  bool isWow64 = false;
};

enum class RedirectionOutcome { Disabled, Failed, FunctionMissing };

struct RedirectionResult {
  RedirectionOutcome outcome = RedirectionOutcome::Failed;
  uint32_t error = 0;      // last error left by the call (or by the failed look-up)
  uintptr_t oldValue = 0;  // opaque; only meaningful when Disabled
};

struct Luid {
  uint32_t LowPart = 0;
  int32_t HighPart = 0;
};

// An open access token of the current process; closed when destroyed.
class ProcessToken {
 public:
  virtual ~ProcessToken() = default;
};

struct FormattedMessage {
  uint32_t length = 0;  // characters written; 0 = the call failed
  std::string text;     // UTF-8, exactly as the system wrote it (CR LF included)
  uint32_t error = 0;   // why it failed, when length is 0
};

// An open handle on a volume, file or directory; destroying it closes it (P12).
class OsHandle {
 public:
  virtual ~OsHandle() = default;
};

// A directory search in progress; destroying it ends the search.
class OsFindHandle {
 public:
  virtual ~OsFindHandle() = default;
};

struct OpenResult {
  std::unique_ptr<OsHandle> handle;  // empty when the open failed
  uint32_t error = 0;
};

// The fields of WIN32_FIND_DATAW the engine reads.
struct FindEntry {
  uint32_t attributes = 0;
  uint32_t reserved0 = 0;  // the reparse tag when the reparse-point attribute is set
  uint64_t size = 0;
  std::string name;  // cFileName up to its first NUL, UTF-8
};

struct DiskFreeSpace {
  uint32_t error = 0;  // 0: the fields are valid
  uint32_t sectorsPerCluster = 0;
  uint32_t bytesPerSector = 0;
  uint32_t freeClusters = 0;
  uint32_t totalClusters = 0;
};

struct VolumeInformation {
  uint32_t error = 0;
  std::string label;
  std::string fileSystemName;
};

enum class DriveType : uint32_t {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

// One report of the disk-check library's Chkdsk to its callback, its record already read by
// the platform (which checks that the text record and text can be read).
struct ChkdskReport {
  uint32_t command = 0;   // 0 progress, 11 done, 14 text output; others are ignored
  uint32_t percent = 0;   // command 0
  bool succeeded = false;  // command 11
  std::optional<std::string> text;  // command 14: ANSI text up to its first NUL; none if unreadable
};

// A .lnk file's properties as the shell's link object takes them; empty texts are not set.
struct ShellLink {
  std::string targetPath;
  std::string arguments;
  std::string description;
  std::string workingDirectory;
  std::string iconLocation;
  int32_t windowStyle = 0;
};

// An open registry key (or a predefined root such as HKEY_CLASSES_ROOT); destroying it closes it.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
};

struct RegistryValue {
  std::string name;
  uint32_t type = 0;
  std::string data;  // the value's bytes; REG_SZ text ends with its NUL
};

// Everything the program asks of Windows. One implementation talks to Windows itself,
// another to a simulated machine. Errors come back as Win32 error numbers from the call.
// Names stay clear of the A/W macros of <windows.h>, which would rename them.
class Platform {
 public:
  virtual ~Platform() = default;

  // The command line after the program's own path, as the process received it.
  virtual std::string CommandTail() = 0;

  virtual bool IsUserAnAdmin() = 0;
  // GetVersionExA. True when the call succeeded (returned 1); only then is `info` filled.
  virtual bool QueryOsVersion(OsVersionInfo& info) = 0;
  virtual Wow64Query IsWow64Process() = 0;  // of the current process
  // Wow64DisableWow64FsRedirection, looked up at run time: XP before SP2 lacks it.
  virtual RedirectionResult DisableWow64FsRedirection() = 0;
  // Wow64RevertWow64FsRedirection with the value the last turn-off gave; 0 or the error.
  virtual uint32_t RevertWow64FsRedirection(uintptr_t oldValue) = 0;

  virtual uint32_t OpenProcessToken(uint32_t desiredAccess, std::unique_ptr<ProcessToken>& token) = 0;
  // LookupPrivilegeValue on the local system.
  virtual uint32_t LookupPrivilege(const std::string& privilegeName, Luid& luid) = 0;
  // Enables one privilege. 0 or kNotAllAssigned when the call itself succeeded (the latter:
  // the token does not hold the privilege), any other number when it failed.
  virtual uint32_t AdjustTokenPrivileges(ProcessToken& token, Luid luid, uint32_t attributes) = 0;

  virtual bool InitCommonControls(uint32_t iccClasses) = 0;

  // FormatMessage from the system table, inserts ignored, language neutral, into a buffer of
  // `bufferChars` characters (a text that does not fit fails with ERROR_INSUFFICIENT_BUFFER).
  virtual FormattedMessage FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) = 0;

  virtual std::string WindowsDirectory() = 0;  // GetWindowsDirectory
  // GetLogicalDriveStrings: roots such as "C:\" each ended by a NUL, the list by a second NUL.
  virtual std::string LogicalDriveStrings() = 0;
  virtual DriveType DriveTypeOf(const std::string& root) = 0;  // GetDriveType

  // Process priority: OpenProcess on the current process id with `access`, Set/GetPriorityClass.
  virtual uint32_t GetCurrentProcessId() = 0;
  virtual OpenResult OpenProcess(uint32_t access, uint32_t processId) = 0;
  virtual bool SetPriorityClass(OsHandle& process, uint32_t priorityClass) = 0;
  virtual uint32_t GetPriorityClass(OsHandle& process) = 0;  // 0 when it fails
  // Starts a log-off or shutdown and returns at once; false when the system refused it.
  virtual bool ExitWindowsEx(uint32_t flags, uint32_t reason) = 0;

  // The disk-check library (fmifs.dll) with its Chkdsk export: 0 when both are there, else the
  // error of the load (126) or the look-up (127).
  virtual uint32_t DiskCheckAvailable(const std::string& root) = 0;
  // Chkdsk(root, file system, fix, verbose, only if dirty, scan drive); calls `report` for each
  // callback and returns when the check has ended. A false answer asks the check to stop.
  virtual void RunChkdsk(const std::string& root, const std::string& fileSystem, bool fix, bool verbose,
                         bool onlyIfDirty, bool scanDrive, const std::function<bool(const ChkdskReport&)>& report) = 0;

  // Volumes and files (the engine's operations P1 to P12).
  // CreateFileW with OPEN_EXISTING: "\\.\C:" for a volume, "\\?\" + full path for a file,
  // directory or "file:stream".
  virtual OpenResult OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) = 0;
  // 0 on success; ERROR_MORE_DATA with `bytesReturned` valid bytes when the output was filled.
  virtual uint32_t DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize,
                                   void* output, uint32_t outputSize, uint32_t& bytesReturned) = 0;
  // P5: FSCTL_MOVE_FILE on the volume handle with a MOVE_FILE_DATA for `file` (the platform
  // builds the record in its own layout: 32-bit on the 32-bit program). 0 or the Win32 error.
  virtual uint32_t MoveFileClusters(OsHandle& volume, OsHandle& file, int64_t startingVcn, int64_t startingLcn,
                            uint32_t clusterCount) = 0;
  // ntdll calls without input: they return the NTSTATUS itself and the I/O status Information.
  virtual uint32_t NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                                   uint32_t& information) = 0;
  virtual uint32_t NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                          uint32_t& information) = 0;
  // FindFirstFileW / FindNextFileW; FindClose when the search handle is destroyed.
  virtual std::unique_ptr<OsFindHandle> FindFirst(const std::string& pattern, FindEntry& entry,
                                                  uint32_t& error) = 0;
  virtual bool FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) = 0;
  virtual DiskFreeSpace QueryDiskFreeSpace(const std::string& root) = 0;              // GetDiskFreeSpace
  virtual VolumeInformation QueryVolumeInformation(const std::string& root) = 0;  // GetVolumeInformation
  virtual bool GetInputState() = 0;  // keyboard or mouse input is waiting
  // SetFilePointer from the file's start; 0 or the error of an invalid position.
  virtual uint32_t SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) = 0;
  virtual uint32_t ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) = 0;
  // 8-bit text in the system's ANSI code page, as UTF-8.
  virtual std::string SystemCodePageToUtf8(const std::string& text) = 0;

  // The SMART pass-through (SMART_SEND_DRIVE_COMMAND, SMART_RCV_DRIVE_DATA) goes through
  // OpenPath and DeviceIoControl on "\\.\C:" opened for reading and writing.

  // Shell.
  // ShellExecute with the verb "open" and SW_SHOWNORMAL; 0 or the error.
  virtual uint32_t ShellOpen(const std::string& file) = 0;
  // SHEmptyRecycleBin for every drive: no confirmation, no progress, no sound.
  virtual void EmptyRecycleBins() = 0;
  // ExpandEnvironmentStrings into a buffer of `bufferChars`: returns the characters the result
  // needs with its NUL (0: the call failed); `expanded` is set only when it fitted.
  virtual uint32_t ExpandEnvironment(const std::string& text, uint32_t bufferChars, std::string& expanded) = 0;
  // The shell object's SpecialFolders.Item(name): a folder path, or empty for a name it lacks.
  virtual std::string SpecialFolder(const std::string& name) = 0;
  // The shell object's CreateShortcut(linkPath) with the link's properties set, then Save.
  virtual uint32_t SaveShellLink(const std::string& linkPath, const ShellLink& link) = 0;
  // Creates or replaces a file holding `text`; 0 or the error.
  virtual uint32_t WriteTextFile(const std::string& path, const std::string& text) = 0;
  // The folder of the running program's file, without a trailing backslash except at a root.
  virtual std::string ProgramFolder() = 0;

  // Registry. `root` keys come from PredefinedKey (0x80000000 HKEY_CLASSES_ROOT, ...).
  virtual std::unique_ptr<RegistryKey> PredefinedKey(uint32_t hkey) = 0;
  // RegCreateKeyEx with an empty class, non-volatile; RegOpenKeyEx. 0 or the error.
  virtual uint32_t RegistryCreateKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                                std::unique_ptr<RegistryKey>& key) = 0;
  virtual uint32_t RegistryOpenKey(RegistryKey& parent, const std::string& subKey, uint32_t access,
                              std::unique_ptr<RegistryKey>& key) = 0;
  // RegSetValueEx with REG_SZ and the text's length plus its NUL.
  virtual uint32_t RegistrySetString(RegistryKey& key, const std::string& name, const std::string& text) = 0;
  // RegEnumValue with name and data buffers of the given sizes; ERROR_NO_MORE_ITEMS after the last.
  virtual uint32_t RegistryEnumValue(RegistryKey& key, uint32_t index, uint32_t nameChars, uint32_t dataBytes,
                                RegistryValue& value) = 0;
  virtual uint32_t RegistryEnumKey(RegistryKey& key, uint32_t index, uint32_t nameChars, std::string& name) = 0;
  // Deletes a subkey that has no subkeys of its own.
  virtual uint32_t RegistryDeleteKey(RegistryKey& parent, const std::string& subKey) = 0;
};

}  // namespace tarvonel
