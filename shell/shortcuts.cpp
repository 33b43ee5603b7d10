#include "shell/shortcuts.h"

#include <array>

#include "base/ascii.h"
#include "platform/shell_access.h"
#include "platform/volume_io.h"
#include "base/win32_errors.h"
#include "ui/controls/toolkit.h"

namespace tarvonel {
namespace {

constexpr uint32_t kExpandBufferChars = 500;

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Appends `extension` unless the name already ends with it (in lower case).
std::string WithExtension(const std::string& name, const std::string& extension) {
  return name.size() >= 4 && name.substr(name.size() - 4) == extension ? name : name + extension;
}

struct FolderKeyword {
  const char* keyword;
  const char* item;
  const char* fallback;  // the item to use when the first is empty; nullptr: none
};

constexpr std::array<FolderKeyword, 17> kFolders{{
    {"allusersdesktop", "AllUsersDesktop", "Desktop"},
    {"allusersstartmenu", "AllUsersStartMenu", "StartMenu"},
    {"allusersprograms", "AllUsersPrograms", "Programs"},
    {"allusersstartup", "AllUsersStartup", nullptr},
    {"appdata", "AppData", nullptr},
    {"desktop", "Desktop", nullptr},
    {"favorites", "Favorites", nullptr},
    {"fonts", "Fonts", nullptr},
    {"mydocuments", "MyDocuments", nullptr},
    {"nethood", "NetHood", nullptr},
    {"printhood", "PrintHood", nullptr},
    {"programs", "Programs", nullptr},
    {"recent", "Recent", nullptr},
    {"sendto", "SendTo", nullptr},
    {"startmenu", "StartMenu", nullptr},
    {"startup", "Startup", nullptr},
    {"templates", "Templates", nullptr},
}};

}  // namespace

std::string AddSlash(const std::string& text) {
  std::string result = Trimmed(text);
  if (result.empty() || result.back() != '\\') result += '\\';
  return result;
}

std::string ExpandEnvStrings(ShellAccess& shell, const std::string& text) {
  const std::string trimmed = Trimmed(text);
  if (trimmed.empty()) return {};
  std::string expanded;
  const uint32_t needed = shell.ExpandEnvironment(trimmed, kExpandBufferChars, expanded);
  if (needed == 0 || needed > kExpandBufferChars) return {};
  return expanded;
}

std::string GetSpecialFolder(ShellAccess& shell, VolumeIo& io, const std::string& keyword) {
  const std::string key = AsciiLower(Trimmed(keyword));
  if (key == "quicklaunch") {
    const std::string folder = shell.SpecialFolder("AppData") + "\\Microsoft\\Internet Explorer\\Quick Launch";
    FindEntry entry;
    uint32_t error = 0;
    return io.FindFirst(folder + "\\*.*", entry, error) ? folder : std::string();
  }
  for (const FolderKeyword& folder : kFolders) {
    if (key != folder.keyword) continue;
    std::string path = shell.SpecialFolder(folder.item);
    if (path.empty() && folder.fallback != nullptr) path = shell.SpecialFolder(folder.fallback);
    return path;
  }
  return {};
}

uint32_t cShortcut::CreateShortcut(const std::string& sName, const std::string& sPath, const std::string& sArg,
                                   const std::string& sDesc, const std::string& sDir, const std::string& sIcon,
                                   const std::string& DestLoc, int32_t WinStyle) {
  return CreateShortcutAt(GetSpecialFolder(shell_, io_, DestLoc), sName, sPath, sArg, sDesc, sDir, sIcon, WinStyle);
}

uint32_t cShortcut::CreateShortcutAt(const std::string& sFolder, const std::string& sName, const std::string& sPath,
                                     const std::string& sArg, const std::string& sDesc, const std::string& sDir,
                                     const std::string& sIcon, int32_t WinStyle) {
  ShellLink link;
  link.targetPath = ExpandEnvStrings(shell_, sPath);
  if (!sDesc.empty()) link.description = sDesc;
  if (!sArg.empty()) link.arguments = ExpandEnvStrings(shell_, sArg);
  if (!sDir.empty()) link.workingDirectory = ExpandEnvStrings(shell_, sDir);
  if (!sIcon.empty()) link.iconLocation = ExpandEnvStrings(shell_, sIcon);
  link.windowStyle = WinStyle;
  return shell_.SaveShellLink(AddSlash(sFolder) + sName + ".lnk", link);
}

bool cShortcut::Listed(const std::string& path) {
  FindEntry entry;
  uint32_t error = 0;
  return io_.FindFirst(path, entry, error) != nullptr && !entry.name.empty();
}

bool cShortcut::LinkExists(const std::string& LinkName, const std::string& SpcFolder) {
  const std::string folder = Trimmed(SpcFolder).empty() ? shell_.SpecialFolder("DeskTop") : Trimmed(SpcFolder);
  return Listed(AddSlash(folder) + WithExtension(LinkName, ".lnk"));
}

uint32_t cShortcut::CreateInternetShortcut(const std::string& urlName, const std::string& urlPath,
                                           const std::string& urlType) {
  return CreateInternetShortcutAt(shell_.SpecialFolder("Desktop"), urlName, urlPath, urlType);
}

uint32_t cShortcut::CreateInternetShortcutAt(const std::string& folder, const std::string& urlName,
                                             const std::string& urlPath, const std::string& urlType) {
  const std::string scheme = AsciiLower(urlType) == "file" ? "URL=file://" : "URL=http://";
  return shell_.WriteTextFile(AddSlash(folder) + WithExtension(urlName, ".url"),
                                 "[InternetShortcut]\r\n" + scheme + urlPath + "\r\n");
}

bool cShortcut::URLExists(const std::string& URLName) {
  return Listed(AddSlash(shell_.SpecialFolder("Desktop")) + WithExtension(URLName, ".url"));
}

void CreateDesktopJobShortcut(ShellAccess& shell, VolumeIo& io, Toolkit& toolkit, const std::string& jobCommand) {
  const std::string title =
      Trimmed(toolkit.InputBox("Enter Title for This Desktop Shortcut:", "Enter Shortcut Title", "Tarvonel"));
  if (title.empty()) return;
  cShortcut shortcut(shell, io);
  const uint32_t error = shortcut.CreateShortcut(title, AddSlash(shell.ProgramFolder()) + "Tarvonel.exe",
                                                 jobCommand, {}, {}, {}, "AllUsersDeskTop", 1);
  // A title that is no file name, or a folder without write access, must not be reported as done.
  if (error != win32_error::kSuccess) {
    toolkit.MsgBox("The desktop shortcut '" + title + "' could not be created (error " + std::to_string(error) + ").",
                   MsgBoxButtons::OK, MsgBoxIcon::Exclamation, "Shortcut Not Created");
    return;
  }
  toolkit.MsgBox("Desktop shortcut '" + title + "' created.", MsgBoxButtons::OK, MsgBoxIcon::Information,
                 "Shortcut Created");
}

}  // namespace tarvonel
