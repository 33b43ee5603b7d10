#include "platform/sim/machine.h"

#include <fstream>
#include <sstream>

#include "base/ascii.h"
#include "platform/sim/json_fields.h"
#include "platform/sim/sim_volume.h"
#include "platform/sim/volume_description.h"

namespace tarvonel {
namespace {

struct PrivilegeEntry {
  const char* name;
  uint32_t luid;
};

// LUIDs as Windows assigns them to the well-known privileges.
constexpr PrivilegeEntry kPrivileges[] = {
    {"SeCreateTokenPrivilege", 2},         {"SeAssignPrimaryTokenPrivilege", 3},
    {"SeLockMemoryPrivilege", 4},          {"SeIncreaseQuotaPrivilege", 5},
    {"SeMachineAccountPrivilege", 6},      {"SeTcbPrivilege", 7},
    {"SeSecurityPrivilege", 8},            {"SeTakeOwnershipPrivilege", 9},
    {"SeLoadDriverPrivilege", 10},         {"SeSystemProfilePrivilege", 11},
    {"SeSystemtimePrivilege", 12},         {"SeProfileSingleProcessPrivilege", 13},
    {"SeIncreaseBasePriorityPrivilege", 14}, {"SeCreatePagefilePrivilege", 15},
    {"SeCreatePermanentPrivilege", 16},    {"SeBackupPrivilege", 17},
    {"SeRestorePrivilege", 18},            {"SeShutdownPrivilege", 19},
    {"SeDebugPrivilege", 20},              {"SeAuditPrivilege", 21},
    {"SeSystemEnvironmentPrivilege", 22},  {"SeChangeNotifyPrivilege", 23},
    {"SeRemoteShutdownPrivilege", 24},     {"SeUndockPrivilege", 25},
    {"SeSyncAgentPrivilege", 26},          {"SeEnableDelegationPrivilege", 27},
    {"SeManageVolumePrivilege", 28},       {"SeImpersonatePrivilege", 29},
    {"SeCreateGlobalPrivilege", 30},
};

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

SimOs ReadOs(const JsonObject& os) {
  os.RejectUnknownKeys({"get_version_fails", "platform_id", "major", "minor", "build", "service_pack", "bits",
                        "wow64_redirection", "wow64_redirection_error", "windows_directory"});
  SimOs result;
  result.getVersionFails = os.Bool("get_version_fails", result.getVersionFails);
  result.platformId = os.UInt32("platform_id", result.platformId);
  result.major = os.UInt32("major", result.major);
  result.minor = os.UInt32("minor", result.minor);
  result.build = os.UInt32("build", result.build);
  result.servicePack = os.String("service_pack", result.servicePack, 128);
  result.bits = os.UInt32("bits", result.bits);
  if (result.bits != 32 && result.bits != 64) os.Fail("bits", "must be 32 or 64");
  result.wow64Redirection = static_cast<RedirectionBehaviour>(
      os.Choice("wow64_redirection", {"works", "fails", "missing"}, 0));
  result.wow64RedirectionError = os.UInt32("wow64_redirection_error", result.wow64RedirectionError);
  result.windowsDirectory = os.String("windows_directory", result.windowsDirectory, 259);
  if (result.windowsDirectory.size() < 3 || result.windowsDirectory[1] != ':' ||
      result.windowsDirectory[2] != '\\') {
    os.Fail("windows_directory", "must be a full path such as \"C:\\\\Windows\"");
  }
  return result;
}

SimPrivileges ReadPrivileges(const JsonObject& privileges) {
  privileges.RejectUnknownKeys({"grantable", "open_token_error"});
  SimPrivileges result;
  if (privileges.Has("grantable")) result.grantable.clear();
  for (const std::string& name : privileges.StringArray("grantable")) {
    std::optional<Luid> luid = PrivilegeLuid(name);
    if (!luid) privileges.Fail("grantable", "names an unknown privilege \"" + name + "\"");
    result.grantable.insert(PrivilegeName(*luid));
  }
  result.openTokenError = privileges.UInt32("open_token_error", 0);
  return result;
}

SimDrive ReadDrive(const JsonObject& drive) {
  drive.RejectUnknownKeys(
      {"letter", "type", "label", "volume", "disk_check", "smart", "seek_penalty", "write_protected", "quota"});
  SimDrive result;
  std::string letter = drive.String("letter", "");
  if (letter.size() != 1 || !IsAsciiLetter(letter[0])) {
    drive.Fail("letter", "must be one letter from A to Z");
  }
  result.letter = AsciiUpper(letter[0]);
  result.type = static_cast<DriveType>(
      drive.Choice("type", {"unknown", "no_root_dir", "removable", "fixed", "remote", "cdrom", "ramdisk"}, 3));
  result.label = drive.String("label", "", 32);
  result.seekPenalty = static_cast<SimSeekPenalty>(drive.Choice("seek_penalty", {"yes", "no", "unknown"}, 0));
  result.writeProtected = drive.Bool("write_protected", false);
  if (auto quota = drive.Object("quota")) {
    quota->RejectUnknownKeys({"limit_clusters", "used_clusters"});
    constexpr int64_t kMax = int64_t{1} << 40;
    result.quota = SimQuota{quota->Int64("limit_clusters", 0, 0, kMax), quota->Int64("used_clusters", 0, 0, kMax)};
  }
  if (auto check = drive.Object("disk_check")) {
    check->RejectUnknownKeys({"state", "progress", "text", "unreadable_text"});
    result.diskCheck.state = static_cast<SimDiskCheck::State>(
        check->Choice("state", {"clean", "dirty", "missing_library", "missing_export"}, 0));
    result.diskCheck.text = check->StringArray("text");
    result.diskCheck.unreadableText = check->Bool("unreadable_text", false);
    result.diskCheck.progress = check->UIntArray("progress");
  }
  if (auto smart = drive.Object("smart")) {
    smart->RejectUnknownKeys({"state", "temperature_attribute", "readings"});
    result.smart.state = static_cast<SimSmart::State>(
        smart->Choice("state", {"works", "not_supported", "invalid_function", "driver_error"}, 0));
    result.smart.temperatureAttribute = smart->Bool("temperature_attribute", true);
    if (smart->Has("readings")) result.smart.readings = smart->UIntArray("readings");
    for (uint32_t reading : result.smart.readings) {
      if (reading > 255) smart->Fail("readings", "are raw bytes from 0 to 255");
    }
  }
  if (auto volume = drive.Object("volume")) {
    result.volume = ReadVolumeDescription(*volume, std::string(1, result.letter) + ":");
    if (result.label.empty()) result.label = result.volume->label;
    result.volume->label = result.label;
  }
  return result;
}

void ReadShell(const JsonObject& shell, SimShellDescription& result) {
  shell.RejectUnknownKeys({"environment", "special_folders", "program_folder"});
  for (const auto& [name, value] : shell.StringMap("environment")) result.environment[name] = value;
  for (const auto& [name, value] : shell.StringMap("special_folders")) result.specialFolders[name] = value;
  result.programFolder = shell.String("program_folder", result.programFolder, 259);
}

}  // namespace

std::optional<Luid> PrivilegeLuid(const std::string& name) {
  for (const PrivilegeEntry& entry : kPrivileges) {
    if (EqualsIgnoringCase(name, entry.name)) return Luid{entry.luid, 0};
  }
  return std::nullopt;
}

std::string PrivilegeName(Luid luid) {
  for (const PrivilegeEntry& entry : kPrivileges) {
    if (luid.HighPart == 0 && luid.LowPart == entry.luid) return entry.name;
  }
  return {};
}

Machine ParseMachine(const std::string& jsonText) {
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(jsonText);
  } catch (const nlohmann::json::exception& error) {  // bad syntax, or a number out of range
    throw MachineError(std::string("not valid JSON: ") + error.what());
  }
  JsonObject root(document, "");
  root.RejectUnknownKeys({"os", "administrator", "privileges", "common_controls", "format_message_fails_with",
                          "process_openable", "drives", "shell", "registry"});
  Machine machine;
  if (auto os = root.Object("os")) machine.os = ReadOs(*os);
  machine.administrator = root.Bool("administrator", machine.administrator);
  if (auto privileges = root.Object("privileges")) machine.privileges = ReadPrivileges(*privileges);
  machine.commonControls = root.Bool("common_controls", machine.commonControls);
  machine.formatMessageFailsWith = root.UInt32("format_message_fails_with", 0);
  machine.processOpenable = root.Bool("process_openable", machine.processOpenable);
  machine.shell = DefaultShellDescription(machine.os.windowsDirectory);
  if (auto shell = root.Object("shell")) ReadShell(*shell, machine.shell);
  for (const JsonObject& entry : root.ObjectArray("registry")) {
    entry.RejectUnknownKeys({"key", "name", "value"});
    SimRegistryString value{entry.String("key", ""), entry.String("name", ""), entry.String("value", "")};
    if (!value.key.starts_with("HKEY_CLASSES_ROOT\\") && !value.key.starts_with("HKEY_CURRENT_USER\\") &&
        !value.key.starts_with("HKEY_LOCAL_MACHINE\\")) {
      entry.Fail("key", "must begin with HKEY_CLASSES_ROOT, HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE and a backslash");
    }
    machine.registry.push_back(value);
  }
  std::set<char> letters;
  for (const JsonObject& drive : root.ObjectArray("drives")) {
    SimDrive parsed = ReadDrive(drive);
    if (!letters.insert(parsed.letter).second) {
      drive.Fail("letter", std::string("repeats drive ") + parsed.letter + ":");
    }
    machine.drives.push_back(parsed);
  }
  return machine;
}

Machine LoadMachineFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw MachineError("cannot open the machine file " + path);
  std::ostringstream text;
  text << file.rdbuf();
  try {
    return ParseMachine(text.str());
  } catch (const MachineError& error) {
    throw MachineError(path + ": " + error.what());
  }
}

}  // namespace tarvonel
