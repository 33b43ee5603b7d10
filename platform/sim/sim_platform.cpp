#include "platform/sim/sim_platform.h"

#include <algorithm>
#include <sstream>
#include <utility>

#include "platform/sim/system_messages.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

class SimProcessToken : public ProcessToken {};

const char* DriveTypeName(DriveType type) {
  switch (type) {
    case DriveType::Unknown: return "unknown";
    case DriveType::NoRootDir: return "no_root_dir";
    case DriveType::Removable: return "removable";
    case DriveType::Fixed: return "fixed";
    case DriveType::Remote: return "remote";
    case DriveType::CdRom: return "cdrom";
    case DriveType::RamDisk: return "ramdisk";
  }
  return "unknown";
}

}  // namespace

SimPlatform::SimPlatform(Machine machine) : machine_(std::move(machine)), shell_(machine_.shell) {
  registry_.SetWow64(machine_.os.bits == 64, machine_.os.Windows7OrLater());
  for (const SimRegistryString& value : machine_.registry) registry_.SetString(value.key, value.name, value.value);
  std::sort(machine_.drives.begin(), machine_.drives.end(),
            [](const SimDrive& a, const SimDrive& b) { return a.letter < b.letter; });
}

bool SimPlatform::QueryOsVersion(OsVersionInfo& info) {
  if (machine_.os.getVersionFails) return false;
  info.MajorVersion = machine_.os.major;
  info.MinorVersion = machine_.os.minor;
  info.BuildNumber = machine_.os.build;
  info.PlatformId = machine_.os.platformId;
  info.CSDVersion.fill('\0');
  std::copy_n(machine_.os.servicePack.begin(), std::min(machine_.os.servicePack.size(), info.CSDVersion.size()),
              info.CSDVersion.begin());
  return true;
}

Wow64Query SimPlatform::IsWow64Process() { return {win32_error::kSuccess, machine_.os.bits == 64}; }

RedirectionResult SimPlatform::DisableWow64FsRedirection() {
  if (machine_.os.wow64Redirection == RedirectionBehaviour::Missing) {
    return {RedirectionOutcome::FunctionMissing, win32_error::kProcNotFound, 0};
  }
  // On 32-bit Windows there is no redirection to turn off.
  if (machine_.os.bits == 32) return {RedirectionOutcome::Failed, win32_error::kInvalidFunction, 0};
  if (machine_.os.wow64Redirection == RedirectionBehaviour::Fails) {
    return {RedirectionOutcome::Failed, machine_.os.wow64RedirectionError, 0};
  }
  // The old value is what Wow64RevertWow64FsRedirection restores: the state before this call
  // (Wow64DisableWow64FsRedirection, wow64apiset.h).
  const uintptr_t oldValue = redirectionDisabled_ ? 1 : 0;
  redirectionDisabled_ = true;
  return {RedirectionOutcome::Disabled, win32_error::kSuccess, oldValue};
}

uint32_t SimPlatform::RevertWow64FsRedirection(uintptr_t oldValue) {
  if (machine_.os.wow64Redirection == RedirectionBehaviour::Missing) return win32_error::kProcNotFound;
  if (machine_.os.bits == 32) return win32_error::kInvalidFunction;
  redirectionDisabled_ = oldValue != 0;
  return win32_error::kSuccess;
}

// The program is 32-bit: on 64-bit Windows with redirection off, the loader looks for system
// DLLs in the real System32, finds the 64-bit ones and refuses them ("Disabling file system
// redirection for longer periods can prevent 32-bit applications from loading system DLLs",
// File System Redirector). The shell, COM and the window classes load DLLs of their own
// (handlers, in-process servers, themes, input methods), so they fail the same way.
bool SimPlatform::SystemDllsLoad() const { return machine_.os.bits != 64 || !redirectionDisabled_; }

uint32_t SimPlatform::OpenProcessToken(uint32_t, std::unique_ptr<ProcessToken>& token) {
  if (machine_.privileges.openTokenError != win32_error::kSuccess) return machine_.privileges.openTokenError;
  token = std::make_unique<SimProcessToken>();
  return win32_error::kSuccess;
}

uint32_t SimPlatform::LookupPrivilege(const std::string& privilegeName, Luid& luid) {
  std::optional<Luid> found = PrivilegeLuid(privilegeName);
  if (!found) return win32_error::kNoSuchPrivilege;
  luid = *found;
  return win32_error::kSuccess;
}

uint32_t SimPlatform::AdjustTokenPrivileges(ProcessToken&, Luid luid, uint32_t) {
  const std::string name = PrivilegeName(luid);
  if (name.empty()) return win32_error::kInvalidParameter;
  if (machine_.privileges.grantable.count(name) == 0) return win32_error::kNotAllAssigned;
  enabledPrivileges_.insert(name);
  return win32_error::kSuccess;
}

bool SimPlatform::InitCommonControls(uint32_t iccClasses) {
  commonControlClasses_ = iccClasses;
  return machine_.commonControls;
}

FormattedMessage SimPlatform::FormatMessageFromSystem(uint32_t code, uint32_t bufferChars) {
  if (machine_.formatMessageFailsWith != win32_error::kSuccess) return {0, {}, machine_.formatMessageFailsWith};
  std::string text = SystemMessageText(code);
  if (text.empty()) return {0, {}, win32_error::kMrMidNotFound};
  if (text.size() + 1 > bufferChars) return {0, {}, win32_error::kInsufficientBuffer};
  return {static_cast<uint32_t>(text.size()), std::move(text), win32_error::kSuccess};
}

namespace {
class SimProcess : public OsHandle {
 public:
  explicit SimProcess(uint32_t grantedAccess) : access(grantedAccess) {}
  uint32_t access;
};
constexpr uint32_t kProcessSetInformation = 0x200;
}  // namespace

OpenResult SimPlatform::OpenProcess(uint32_t access, uint32_t processId) {
  OpenResult result;
  if (processId != kProcessId) {
    result.error = win32_error::kInvalidParameter;
  } else if (!machine_.processOpenable && (access & kProcessSetInformation) != 0) {
    result.error = win32_error::kAccessDenied;
  } else {
    result.handle = std::make_unique<SimProcess>(access);
  }
  return result;
}

bool SimPlatform::SetPriorityClass(OsHandle& process, uint32_t priorityClass) {
  if ((static_cast<SimProcess&>(process).access & kProcessSetInformation) == 0) return false;
  priorityClass_ = priorityClass;
  return true;
}

uint32_t SimPlatform::GetPriorityClass(OsHandle&) { return priorityClass_; }

bool SimPlatform::ExitWindowsEx(uint32_t flags, uint32_t reason) {
  // Shutting down needs the privilege enabled in the token; logging off does not.
  if ((flags & 0x3) != 0 || (flags & 0x8) != 0) {
    if (enabledPrivileges_.count("SeShutdownPrivilege") == 0) return false;
  }
  exitRequest_ = flags;
  exitReason_ = reason;
  return true;
}

uint32_t SimPlatform::ShellOpen(const std::string& file) {
  if (!SystemDllsLoad()) return win32_error::kBadExeFormat;
  if (file.empty()) return win32_error::kFileNotFound;
  shell_.opened.push_back(file);
  return win32_error::kSuccess;
}

void SimPlatform::EmptyRecycleBins() {
  if (SystemDllsLoad()) ++shell_.recycleBinsEmptied;
}

std::string SimPlatform::SpecialFolder(const std::string& name) {
  return SystemDllsLoad() ? shell_.SpecialFolder(name) : std::string();
}

uint32_t SimPlatform::SaveShellLink(const std::string& linkPath, const ShellLink& link) {
  return SystemDllsLoad() ? shell_.SaveLink(linkPath, link) : win32_error::kBadExeFormat;
}

const SimDrive* SimPlatform::DriveOf(const std::string& root) const {
  if (root.empty()) return nullptr;
  const char letter = static_cast<char>(root[0] & ~0x20);
  for (const SimDrive& drive : machine_.drives) {
    if (drive.letter == letter) return &drive;
  }
  return nullptr;
}

uint32_t SimPlatform::DiskCheckAvailable(const std::string& root) {
  if (!SystemDllsLoad()) return win32_error::kBadExeFormat;
  const SimDrive* drive = DriveOf(root);
  if (drive == nullptr) return win32_error::kSuccess;
  if (drive->diskCheck.state == SimDiskCheck::State::MissingLibrary) return win32_error::kModNotFound;
  if (drive->diskCheck.state == SimDiskCheck::State::MissingExport) return win32_error::kProcNotFound;
  return win32_error::kSuccess;
}

void SimPlatform::RunChkdsk(const std::string& root, const std::string&, bool, bool, bool onlyIfDirty, bool,
                            const std::function<bool(const ChkdskReport&)>& report) {
  if (!SystemDllsLoad()) return;
  ++diskChecks_;
  const SimDrive* drive = DriveOf(root);
  const bool dirty = drive != nullptr && drive->diskCheck.state == SimDiskCheck::State::Dirty;
  if (dirty || !onlyIfDirty) {
    for (uint32_t percent : drive != nullptr ? drive->diskCheck.progress : std::vector<uint32_t>{}) {
      if (!report(ChkdskReport{0, percent, false, std::nullopt})) return;
    }
    for (const std::string& line : drive != nullptr ? drive->diskCheck.text : std::vector<std::string>{}) {
      const bool readable = !drive->diskCheck.unreadableText;
      if (!report(ChkdskReport{14, 0, false, readable ? std::optional<std::string>(line) : std::nullopt})) return;
    }
  }
  report(ChkdskReport{11, 0, !dirty, std::nullopt});
}

std::string SimPlatform::LogicalDriveStrings() {
  std::string roots;
  for (const SimDrive& drive : machine_.drives) {
    roots += drive.letter;
    roots += ":\\";
    roots += '\0';
  }
  roots += '\0';
  return roots;
}

DriveType SimPlatform::DriveTypeOf(const std::string& root) {
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return DriveType::NoRootDir;
  const char letter = static_cast<char>(root[0] & ~0x20);
  for (const SimDrive& drive : machine_.drives) {
    if (drive.letter == letter) return drive.type;
  }
  return DriveType::NoRootDir;
}

std::string SimPlatform::Dump() const {
  std::ostringstream out;
  const SimOs& os = machine_.os;
  out << "os: " << (os.getVersionFails ? "GetVersionEx fails" : "") << " platform " << os.platformId << ", "
      << os.major << "." << os.minor << " build " << os.build << " \"" << os.servicePack << "\", " << os.bits
      << "-bit, windows directory " << os.windowsDirectory << "\n";
  out << "administrator: " << (machine_.administrator ? "yes" : "no")
      << ", redirection disabled: " << (redirectionDisabled_ ? "yes" : "no") << "\n";
  out << "privileges enabled:";
  for (const std::string& name : enabledPrivileges_) out << " " << name;
  out << "\ndrives:";
  for (const SimDrive& drive : machine_.drives) {
    out << " " << drive.letter << ": (" << DriveTypeName(drive.type) << ", \"" << drive.label << "\")";
  }
  for (const SimDrive& drive : machine_.drives) {
    if (!drive.volume) continue;
    const SimVolume& volume = *drive.volume;
    out << "\nvolume " << drive.letter << ": " << volume.FileSystem() << ", " << volume.TotalClusters()
        << " clusters of " << volume.BytesPerSector() * volume.SectorsPerCluster() << " bytes, "
        << volume.FreeClusters() << " free, MFT zone " << volume.mftZoneStart << "-" << volume.mftZoneEnd
        << ", used ranges:";
    const std::vector<SimRun> used = volume.UsedRanges();
    for (size_t i = 0; i < used.size() && i < 20; ++i) out << " " << used[i].lcn << "+" << used[i].length;
    if (used.size() > 20) out << " ... (" << used.size() << " ranges)";
  }
  out << "\ncommand tail: \"" << commandTail_ << "\", open handles: " << openHandles_ << "\n";
  return out.str();
}

}  // namespace tarvonel
