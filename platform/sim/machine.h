#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/machine_error.h"
#include "platform/sim/sim_shell.h"

namespace tarvonel {

enum class RedirectionBehaviour { Works, Fails, Missing };

struct SimOs {
  bool getVersionFails = false;
  uint32_t platformId = 2;
  uint32_t major = 10;
  uint32_t minor = 0;
  uint32_t build = 19045;
  std::string servicePack;  // 128 characters fill the buffer without a NUL
  unsigned bits = 64;       // the program is 32-bit, so 64-bit Windows runs it under WOW64
  RedirectionBehaviour wow64Redirection = RedirectionBehaviour::Works;
  uint32_t wow64RedirectionError = 5;  // left by a failing Wow64DisableWow64FsRedirection
  std::string windowsDirectory = "C:\\Windows";
  // Windows 7 and Server 2008 R2 changed the WOW64 redirectors' lists.
  bool Windows7OrLater() const { return major > 6 || (major == 6 && minor >= 1); }
};

struct SimPrivileges {
  // What an administrator's token holds unless the description says otherwise.
  std::set<std::string> grantable = {"SeBackupPrivilege", "SeRestorePrivilege", "SeShutdownPrivilege",
                                     "SeManageVolumePrivilege"};
  uint32_t openTokenError = 0;
};

class SimVolume;

// What the disk-check library does for a drive.
struct SimDiskCheck {
  enum class State { Clean, Dirty, MissingLibrary, MissingExport } state = State::Clean;
  std::vector<uint32_t> progress;  // percentages reported while a dirty volume is checked
  std::vector<std::string> text;   // text output lines
  bool unreadableText = false;     // text records whose text cannot be read
};

// What the drive answers to the SMART pass-through.
struct SimSmart {
  // DriverError: the read succeeds but the driver status reports an IDE error.
  enum class State { Works, NotSupported, InvalidFunction, DriverError } state = State::Works;
  bool temperatureAttribute = true;      // the data page holds attribute 194
  std::vector<uint32_t> readings = {38};  // one per data-page read; the last one repeats
};

// What the storage property query for seek penalty answers (Windows 7 and later know it).
enum class SimSeekPenalty { Yes, No, Unknown };

// An NTFS per-user disk quota on the volume, for the program's user. GetDiskFreeSpace answers
// within it: "If per-user disk quotas are in use, this value may be less than the total number
// of clusters on the disk" (learn.microsoft.com, fileapi/nf-fileapi-getdiskfreespacea).
struct SimQuota {
  int64_t limitClusters = 0;
  int64_t usedClusters = 0;
};

struct SimDrive {
  char letter = 'C';  // upper case
  DriveType type = DriveType::Fixed;
  std::string label;
  SimSeekPenalty seekPenalty = SimSeekPenalty::Yes;  // No: a solid-state drive
  // The medium's write-protect switch is on: Windows mounts it read-only.
  bool writeProtected = false;
  std::optional<SimQuota> quota;
  std::shared_ptr<SimVolume> volume;  // none: no medium (an empty card reader or CD drive)
  SimDiskCheck diskCheck;
  SimSmart smart;
};

struct SimRegistryString {
  std::string key;  // "HKEY_CLASSES_ROOT\\Drive\\shell\\..."
  std::string name;
  std::string value;
};

// A simulated Windows computer, as a machine description file gives it.
struct Machine {
  SimOs os;
  bool administrator = true;
  SimPrivileges privileges;
  bool commonControls = true;
  uint32_t formatMessageFailsWith = 0;  // 0: FormatMessage works
  bool processOpenable = true;          // OpenProcess for setting the priority succeeds
  std::vector<SimDrive> drives;
  SimShellDescription shell;
  std::vector<SimRegistryString> registry;
};

// Both throw MachineError naming the field at fault.
Machine ParseMachine(const std::string& jsonText);
Machine LoadMachineFile(const std::string& path);

// The privilege names Windows knows (matched ignoring case), with the LUID that
// LookupPrivilegeValue gives for each.
std::optional<Luid> PrivilegeLuid(const std::string& name);
// The canonical name of a privilege's LUID; empty when Windows has no such privilege.
std::string PrivilegeName(Luid luid);

}  // namespace tarvonel
