#include "app/startup.h"

#include "app/command_line.h"
#include "app/os_info.h"
#include "app/program_version.h"
#include "base/debug_log.h"
#include "platform/os_facts.h"
#include "platform/shell_access.h"
#include "platform/system_error_text.h"
#include "platform/token_access.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"
#include "platform/wow64_redirection.h"
#include "ui/controls/toolkit.h"
#include "ui/handover.h"
#include "version.h"

namespace tarvonel {
namespace {

constexpr uint32_t kIccUserExClasses = 0x200;  // the image combo box of the drive list
constexpr double kLowestWindowsVersion = 5.1;  // Windows XP

std::string Line(const std::string& text) { return text + std::string(kCrLf); }
std::string TrueFalse(bool value) { return value ? "True" : "False"; }

}  // namespace

Startup::Startup(OsFacts& os, TokenAccess& token, ShellAccess& shell, Toolkit& toolkit, DebugLog& debugLog, SystemErrorText& errorText,
                 Wow64Redirection& redirection, Handover& handover, CommandLineParser& parser)
    : os_(os),
      token_(token),
      shell_(shell),
      toolkit_(toolkit),
      debugLog_(debugLog),
      errorText_(errorText),
      redirection_(redirection),
      handover_(handover),
      parser_(parser) {}

StartupOutcome Startup::Run(const std::string& commandTail) {
  if (!os_.IsUserAnAdmin()) {
    toolkit_.MsgBox("no admin", MsgBoxButtons::OK, MsgBoxIcon::None, kProgramName);
    return StartupOutcome::NotAdministrator;
  }
  debugLog_.AppendDebug(Line(ProgramVersionText()));

  OSInfo os;
  GetOSInfo(os_, os);
  // A failed query leaves Version empty, which reads as 0. The margin absorbs binary rounding.
  if (LeadingNumber(os.Version) < kLowestWindowsVersion - 1e-9) {
    toolkit_.MsgBox(
        "Tarvonel requires Windows XP or higher (2003 server, Vista) to run.\r\n"
        "The detected Windows version does not meet the minimum requirements.\r\n"
        "\r\n"
        "The program will now terminate.",
        MsgBoxButtons::OK, MsgBoxIcon::Critical, kProgramName);
    return StartupOutcome::WindowsTooOld;
  }
  debugLog_.AppendDebug(Line("OS= Win" + os.Version));

  PrepareWow64();

  debugLog_.AppendDebug(Line("Backup privilege granted=" + TrueFalse(EnablePrivilege("SeBackupPrivilege"))));
  debugLog_.AppendDebug(Line("Restore privilege granted=" + TrueFalse(EnablePrivilege("SeRestorePrivilege"))));

  InitComctl();
  handover_.Introduction();
  if (!commandTail.empty()) parser_.process_cmd_line(commandTail);
  return StartupOutcome::Started;
}

void Startup::PrepareWow64() {
  // A failed query counts as a native process: nothing to turn off.
  Wow64Query query = os_.IsWow64Process();
  if (query.error != win32_error::kSuccess || !query.isWow64) {
    debugLog_.AppendDebug(Line("IsWow64Process=False "));
    return;
  }
  debugLog_.AppendDebug(Line("IsWow64Process=True "));
  uint32_t lastError = 0;
  bool turnedOff = DisableWowRedirection(lastError);
  debugLog_.AppendDebug(Line("WOW64Redirector turned off = " + TrueFalse(turnedOff)));
  debugLog_.AppendDebug(Line("If false, last dll_err:" + errorText_.GetSystemErrorMessageText(lastError)));
}

bool Startup::DisableWowRedirection(uint32_t& lastError) {
  // Turned on again at once: from here on it is off only inside each volume call (see
  // Wow64Redirection), so that windows, DLL loads and the shell see the 32-bit system.
  RedirectionResult result = redirection_.TurnOffForVolumeCalls();
  lastError = result.error;
  switch (result.outcome) {
    case RedirectionOutcome::Disabled:
      return true;
    case RedirectionOutcome::FunctionMissing:
      debugLog_.AppendDebug(Line("WOWREDIR_DISABLE=False "));
      return false;
    case RedirectionOutcome::Failed:
      return false;
  }
  return false;
}

bool Startup::EnablePrivilege(const std::string& privilegeName) {
  std::unique_ptr<ProcessToken> token;
  if (token_.OpenProcessToken(win32::kTokenAdjustPrivilegesAndQuery, token) != win32_error::kSuccess || !token) {
    return false;
  }
  Luid luid;
  if (token_.LookupPrivilege(privilegeName, luid) != win32_error::kSuccess) return false;
  // "Not all assigned" means this one privilege was not granted: report it as such.
  return token_.AdjustTokenPrivileges(*token, luid, win32::kSePrivilegeEnabled) == win32_error::kSuccess;
}

bool Startup::InitComctl() { return shell_.InitCommonControls(kIccUserExClasses); }

}  // namespace tarvonel
