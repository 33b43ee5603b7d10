#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

class CommandLineParser;
class DebugLog;
class Handover;
class Platform;
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
  Startup(Platform& platform, Toolkit& toolkit, DebugLog& debugLog, SystemErrorText& errorText,
          Handover& handover, CommandLineParser& parser);

  StartupOutcome Run(const std::string& commandTail);

  bool DisableWowRedirection(uint32_t& lastError);
  bool EnablePrivilege(const std::string& privilegeName);
  bool InitComctl();
  // Kept for the life of the process: redirection is never turned back on.
  uintptr_t WowRedirectionOldValue() const { return wowRedirectionOldValue_; }

 private:
  void PrepareWow64();

  Platform& platform_;
  Toolkit& toolkit_;
  DebugLog& debugLog_;
  SystemErrorText& errorText_;
  Handover& handover_;
  CommandLineParser& parser_;
  uintptr_t wowRedirectionOldValue_ = 0;
};

}  // namespace tarvonel
