#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

// A .lnk file's properties as the shell's link object takes them; empty texts are not set.
struct ShellLink {
  std::string targetPath;
  std::string arguments;
  std::string description;
  std::string workingDirectory;
  std::string iconLocation;
  int32_t windowStyle = 0;
};

// The shell, its common controls and the files the program writes for the user.
class ShellAccess {
 public:
  virtual ~ShellAccess() = default;

  virtual bool InitCommonControls(uint32_t iccClasses) = 0;
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
};

}  // namespace tarvonel
