#pragma once
#include <optional>
#include <string>
#include <vector>

#include "front/linux/tool/tool_options.h"  // UsageError

namespace tarvonel {

struct ConsoleOptions {
  bool help = false;
  std::optional<std::string> machineFile;
  bool analyze = false;
  std::optional<std::string> mapFile;
  std::optional<std::string> saveMachineFile;
  std::string commandTail;
  std::vector<std::string> answers;  // message-box buttons, in order: OK, Cancel, Yes, No, ...
  std::vector<std::optional<std::string>> inputs;  // input-box texts; nothing = Cancel
  std::vector<std::string> clicks;   // "Window.Control" clicked after start-up, in order
  std::vector<std::string> images;   // "C:=PATH": a FAT image as that drive
};

// `args` without the program name. Options are the "--" words before the tail; the first
// other word, or everything after a lone "--", is the tail, its words joined by single spaces.
ConsoleOptions ParseConsoleOptions(const std::vector<std::string>& args);

extern const char* const kConsoleHelp;

}  // namespace tarvonel
