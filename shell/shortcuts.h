#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

class ShellAccess;
class VolumeIo;
class Toolkit;

// The text trimmed of blanks, ending in one backslash.
std::string AddSlash(const std::string& text);
// Environment variables expanded into a 500-character buffer; empty when the text is empty or
// its expansion does not fit.
std::string ExpandEnvStrings(ShellAccess& shell, const std::string& text);
// A special folder by keyword ("allusersdesktop", "quicklaunch", ...); empty when unknown.
std::string GetSpecialFolder(ShellAccess& shell, VolumeIo& io, const std::string& keyword);

// Writes .lnk shortcuts and .url internet shortcuts through the shell. Each operation returns
// 0 or the platform's error, so a caller can tell the user when a file was not written.
class cShortcut {
 public:
  cShortcut(ShellAccess& shell, VolumeIo& io) : shell_(shell), io_(io) {}

  uint32_t CreateShortcut(const std::string& sName, const std::string& sPath, const std::string& sArg = {},
                          const std::string& sDesc = {}, const std::string& sDir = {}, const std::string& sIcon = {},
                          const std::string& DestLoc = {}, int32_t WinStyle = 0);
  uint32_t CreateShortcutAt(const std::string& sFolder, const std::string& sName, const std::string& sPath,
                            const std::string& sArg = {}, const std::string& sDesc = {}, const std::string& sDir = {},
                            const std::string& sIcon = {}, int32_t WinStyle = 0);
  bool LinkExists(const std::string& LinkName, const std::string& SpcFolder = {});
  uint32_t CreateInternetShortcut(const std::string& urlName, const std::string& urlPath, const std::string& urlType);
  uint32_t CreateInternetShortcutAt(const std::string& folder, const std::string& urlName, const std::string& urlPath,
                                    const std::string& urlType);
  bool URLExists(const std::string& URLName);

 private:
  bool Listed(const std::string& path);
  ShellAccess& shell_;
  VolumeIo& io_;
};

// The main window's Command2: asks for a title and saves the composed job as a shortcut on
// the desktop of all users.
void CreateDesktopJobShortcut(ShellAccess& shell, VolumeIo& io, Toolkit& toolkit, const std::string& jobCommand);

}  // namespace tarvonel
