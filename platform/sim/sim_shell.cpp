#include "platform/sim/sim_shell.h"

#include "platform/sim/sim_volume.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

SimShellDescription DefaultShellDescription(const std::string& windowsDirectory) {
  SimShellDescription shell;
  const std::string systemDrive = windowsDirectory.substr(0, 2);
  const std::string profile = systemDrive + "\\Users\\User";
  const std::string roaming = profile + "\\AppData\\Roaming";
  const std::string programData = systemDrive + "\\ProgramData\\Microsoft\\Windows\\Start Menu";
  shell.environment = {{"SystemRoot", windowsDirectory}, {"windir", windowsDirectory},
                       {"SystemDrive", systemDrive},     {"USERPROFILE", profile},
                       {"APPDATA", roaming},             {"ProgramFiles", systemDrive + "\\Program Files"},
                       {"TEMP", profile + "\\AppData\\Local\\Temp"}};
  shell.specialFolders = {{"AllUsersDesktop", systemDrive + "\\Users\\Public\\Desktop"},
                          {"AllUsersStartMenu", programData},
                          {"AllUsersPrograms", programData + "\\Programs"},
                          {"AllUsersStartup", programData + "\\Programs\\Startup"},
                          {"AppData", roaming},
                          {"Desktop", profile + "\\Desktop"},
                          {"Favorites", profile + "\\Favorites"},
                          {"Fonts", windowsDirectory + "\\Fonts"},
                          {"MyDocuments", profile + "\\Documents"},
                          {"NetHood", roaming + "\\Microsoft\\Windows\\Network Shortcuts"},
                          {"PrintHood", roaming + "\\Microsoft\\Windows\\Printer Shortcuts"},
                          {"Programs", roaming + "\\Microsoft\\Windows\\Start Menu\\Programs"},
                          {"Recent", roaming + "\\Microsoft\\Windows\\Recent"},
                          {"SendTo", roaming + "\\Microsoft\\Windows\\SendTo"},
                          {"StartMenu", roaming + "\\Microsoft\\Windows\\Start Menu"},
                          {"Startup", roaming + "\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
                          {"Templates", roaming + "\\Microsoft\\Windows\\Templates"}};
  return shell;
}

uint32_t SimShell::Expand(const std::string& text, uint32_t bufferChars, std::string& expanded) const {
  std::string result;
  for (size_t i = 0; i < text.size();) {
    const size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
    if (close != std::string::npos) {
      const std::string name = text.substr(i + 1, close - i - 1);
      bool known = false;
      for (const auto& [variable, value] : description_.environment) {
        if (!name.empty() && FoldName(variable) == FoldName(name)) {
          result += value;
          known = true;
          break;
        }
      }
      if (known) {
        i = close + 1;
        continue;
      }
    }
    result += text[i++];  // unknown variables stay as written
  }
  const auto needed = static_cast<uint32_t>(result.size() + 1);
  if (needed <= bufferChars) expanded = result;
  return needed;
}

std::string SimShell::SpecialFolder(const std::string& name) const {
  for (const auto& [item, path] : description_.specialFolders) {
    if (FoldName(item) == FoldName(name)) return path;
  }
  return {};
}

bool SimShell::FolderExists(const std::string& folder) const {
  if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) return true;  // the current drive's root or a root
  for (const auto& [item, path] : description_.specialFolders) {
    if (!path.empty() && FoldName(path) == FoldName(folder)) return true;
  }
  return FoldName(folder) == FoldName(description_.programFolder);
}

uint32_t SimShell::CheckWritable(const std::string& path) const {
  const std::string name = path.substr(path.rfind('\\') == std::string::npos ? 0 : path.rfind('\\') + 1);
  if (name.empty() || name.find_first_of("<>:\"/|?*") != std::string::npos) return win32_error::kInvalidName;
  if (!FolderExists(ParentOf(path))) return win32_error::kPathNotFound;
  return win32_error::kSuccess;
}

uint32_t SimShell::SaveLink(const std::string& linkPath, const ShellLink& link) {
  if (const uint32_t error = CheckWritable(linkPath)) return error;
  links[linkPath] = link;
  return win32_error::kSuccess;
}

uint32_t SimShell::WriteTextFile(const std::string& path, const std::string& text) {
  if (const uint32_t error = CheckWritable(path)) return error;
  textFiles[path] = text;
  return win32_error::kSuccess;
}

std::optional<std::string> SimShell::FirstListed(const std::string& pattern) const {
  const bool folderListing = pattern.ends_with("\\*.*");
  const std::string folder = folderListing ? pattern.substr(0, pattern.size() - 4) : std::string();
  auto matches = [&](const std::string& path) {
    return folderListing ? FoldName(ParentOf(path)) == FoldName(folder) : FoldName(path) == FoldName(pattern);
  };
  for (const auto& [path, link] : links) {
    if (matches(path)) return path.substr(path.rfind('\\') + 1);
  }
  for (const auto& [path, text] : textFiles) {
    if (matches(path)) return path.substr(path.rfind('\\') + 1);
  }
  // An existing folder lists at least its "." entry.
  if (folderListing && FolderExists(folder) && !folder.empty()) return std::string(".");
  return std::nullopt;
}

}  // namespace tarvonel
