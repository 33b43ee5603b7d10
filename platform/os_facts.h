#pragma once
#include <array>
#include <cstdint>
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

// What the program learns of the system it runs on: its command line, the Windows version
// and bitness, the WOW64 file-system redirection, system texts, folders and drives.
class OsFacts {
 public:
  virtual ~OsFacts() = default;

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

  // FormatMessage from the system table, inserts ignored, language neutral, into a buffer of
  // `bufferChars` characters (a text that does not fit fails with ERROR_INSUFFICIENT_BUFFER).
  virtual FormattedMessage FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) = 0;
  // 8-bit text in the system's ANSI code page, as UTF-8.
  virtual std::string SystemCodePageToUtf8(const std::string& text) = 0;

  virtual std::string WindowsDirectory() = 0;  // GetWindowsDirectory
  // GetLogicalDriveStrings: roots such as "C:\" each ended by a NUL, the list by a second NUL.
  virtual std::string LogicalDriveStrings() = 0;
  virtual DriveType DriveTypeOf(const std::string& root) = 0;  // GetDriveType
};

}  // namespace tarvonel
