#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tarvonel {

// The shell side of a simulated machine: environment, special folders, the folders where
// shortcuts land, and what the program asked the shell to do.
struct SimShellDescription {
  std::map<std::string, std::string> environment;     // name (any case) -> value
  std::map<std::string, std::string> specialFolders;  // SpecialFolders item -> path; "" = none
  std::string programFolder = "C:\\Program Files\\Tarvonel";
};

SimShellDescription DefaultShellDescription(const std::string& windowsDirectory);

class SimShell {
 public:
  explicit SimShell(SimShellDescription description) : description_(std::move(description)) {}

  uint32_t Expand(const std::string& text, uint32_t bufferChars, std::string& expanded) const;
  std::string SpecialFolder(const std::string& name) const;
  uint32_t SaveLink(const std::string& linkPath, const ShellLink& link);
  uint32_t WriteTextFile(const std::string& path, const std::string& text);
  // A listing of `pattern` (a file path, or a folder followed by "\*.*"): the first name, if any.
  std::optional<std::string> FirstListed(const std::string& pattern) const;
  const std::string& ProgramFolder() const { return description_.programFolder; }
  const SimShellDescription& Description() const { return description_; }

  // What the program did, by path as written.
  std::map<std::string, ShellLink> links;
  std::map<std::string, std::string> textFiles;
  std::vector<std::string> opened;  // ShellExecute "open"
  int recycleBinsEmptied = 0;

 private:
  // 0 when `path`'s folder exists and its last element is a valid file name.
  uint32_t CheckWritable(const std::string& path) const;
  bool FolderExists(const std::string& folder) const;

  SimShellDescription description_;
};

}  // namespace tarvonel
