#pragma once
#include <array>
#include <cstdint>
#include <memory>
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

enum class DriveType : uint32_t {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
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
};

}  // namespace tarvonel
