#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

class CommandLineParser;
class Wow64Redirection;
class DebugLog;
class Handover;
class OsFacts;
class ShellAccess;
class TokenAccess;
class SystemErrorText;
class Toolkit;

enum class StartupOutcome {
  Started,          // the windows carry on
  NotAdministrator, // the program ends
  WindowsTooOld,    // the program ends
};

// The entry point's sequence: may the program run, prepare the process for raw volume work,
// log each step, build the drive list and hand a command tail to the parser.
class Startup {
 public:
  Startup(OsFacts& os, TokenAccess& token, ShellAccess& shell, Toolkit& toolkit, DebugLog& debugLog, SystemErrorText& errorText,
          Wow64Redirection& redirection, Handover& handover, CommandLineParser& parser);

  StartupOutcome Run(const std::string& commandTail);

  bool DisableWowRedirection(uint32_t& lastError);
  bool EnablePrivilege(const std::string& privilegeName);
  bool InitComctl();

 private:
  void PrepareWow64();

  OsFacts& os_;
  TokenAccess& token_;
  ShellAccess& shell_;
  Toolkit& toolkit_;
  DebugLog& debugLog_;
  SystemErrorText& errorText_;
  Wow64Redirection& redirection_;
  Handover& handover_;
  CommandLineParser& parser_;
};

}  // namespace tarvonel
