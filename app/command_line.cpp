#include "app/command_line.h"

#include <unordered_map>

#include "base/ascii.h"
#include "ui/controls/toolkit.h"
#include "ui/debug_log/debug_log_window.h"
#include "ui/handover.h"
#include "version.h"

namespace tarvonel {
namespace {

enum class Switch { Dbg, SetShell, Defrag, Optimize, Compact, Down, Close, Min, VssSafe, Low, Normal, High, Drv, Dir };

const std::unordered_map<std::string, Switch>& SwitchTable() {
  static const std::unordered_map<std::string, Switch> table = [] {
    const std::pair<const char*, Switch> names[] = {
        {"dbg", Switch::Dbg},       {"setshell", Switch::SetShell}, {"d", Switch::Defrag},
        {"o", Switch::Optimize},    {"c", Switch::Compact},         {"down", Switch::Down},
        {"close", Switch::Close},   {"min", Switch::Min},           {"vssafe", Switch::VssSafe},
        {"low", Switch::Low},       {"normal", Switch::Normal},     {"high", Switch::High},
        {"drv", Switch::Drv},       {"dir", Switch::Dir},
    };
    std::unordered_map<std::string, Switch> built;
    for (const auto& [name, sw] : names) {
      built.emplace(std::string("-") + name, sw);
      built.emplace(std::string("/") + name, sw);
    }
    return built;
  }();
  return table;
}

bool StartsLikeSwitch(const std::string& token) {
  return !token.empty() && (token[0] == '-' || token[0] == '/');
}

}  // namespace

PrescannedTail PrescanQuotedSection(const std::string& tail) {
  enum { NoQuoteYet, InsideQuote, QuoteClosed } state = NoQuoteYet;
  PrescannedTail result;
  for (char c : tail) {
    if (state == InsideQuote) {
      if (c == '"') {
        state = QuoteClosed;  // the closing quote goes nowhere
      } else {
        result.quoted += c;
        result.text += (c == ' ') ? '%' : c;
      }
    } else {
      result.text += c;
    }
    if (c == '"' && state != QuoteClosed) state = InsideQuote;
  }
  return result;
}

std::vector<std::string> SplitTokens(const std::string& text) {
  std::vector<std::string> tokens;
  size_t start = 0;
  for (;;) {
    size_t space = text.find(' ', start);
    tokens.push_back(text.substr(start, space - start));
    if (space == std::string::npos) return tokens;
    start = space + 1;
  }
}

CommandLineParser::CommandLineParser(JobSettings& settings, DebugLogWindow& debugLog, Toolkit& toolkit,
                                     Handover& handover)
    : settings_(settings), debugLog_(debugLog), toolkit_(toolkit), handover_(handover) {}

void CommandLineParser::process_cmd_line(const std::string& tail) {
  action_ = JobAction::None;
  minimizeToTray_ = false;
  tailRefused_ = false;

  PrescannedTail prescanned = PrescanQuotedSection(tail);
  // The quoted section extends what Directory already holds.
  settings_.Directory += prescanned.quoted;
  const std::vector<std::string> tokens = SplitTokens(prescanned.text);

  for (size_t index = 0; index < tokens.size(); ++index) {
    if (ApplyToken(tokens, index) == Walk::Return) return;
  }
  if (settings_.DebugLog) debugLog_.Log().AppendDebug("CDM_line arguments: " + tail + std::string(kCrLf));
  handover_.RunCommandLineJob(action_, minimizeToTray_);
}

CommandLineParser::Walk CommandLineParser::ApplyToken(const std::vector<std::string>& tokens, size_t& index) {
  const std::string& token = tokens[index];
  auto found = SwitchTable().find(AsciiLower(token));
  if (found == SwitchTable().end()) {
    Tell("Invalid argument: " + token);
    return Walk::Return;
  }
  switch (found->second) {
    case Switch::Dbg:
      settings_.DebugLog = true;
      debugLog_.ShowDebugLog();
      break;
    case Switch::SetShell:
      handover_.HideMainWindow();
      handover_.HideJobWindow();
      handover_.ShowContextMenuSettings();
      return Walk::Return;
    case Switch::Defrag: action_ = JobAction::Defragment; break;
    case Switch::Optimize: action_ = JobAction::Optimize; break;
    case Switch::Compact: action_ = JobAction::Compact; break;
    case Switch::Down: settings_.ShutdownAfter = true; break;
    case Switch::Close: settings_.CloseAfter = true; break;
    case Switch::Min: minimizeToTray_ = true; break;
    case Switch::VssSafe: settings_.VssSafe = true; break;
    case Switch::Low: handover_.SetProcessPriority(kIdlePriorityClass); break;
    case Switch::Normal: handover_.SetProcessPriority(kNormalPriorityClass); break;
    case Switch::High: handover_.SetProcessPriority(kAboveNormalPriorityClass); break;
    case Switch::Drv: TakeDrive(tokens, index); break;
    case Switch::Dir: TakeDirectory(tokens, index); break;
  }
  return Walk::Continue;
}

bool CommandLineParser::ArgumentUsable(const std::vector<std::string>& tokens, size_t& index,
                                       const char* missingMessage, const char* invalidMessage) {
  // As the last token the switch is its own argument, which then fails the switch check.
  if (index + 1 == tokens.size()) {
    Tell(missingMessage);
  } else {
    ++index;
  }
  if (StartsLikeSwitch(tokens[index])) {
    Tell(invalidMessage);
    return false;
  }
  return true;
}

void CommandLineParser::TakeDrive(const std::vector<std::string>& tokens, size_t& index) {
  if (!ArgumentUsable(tokens, index, "No drive specified.", "Invalid drivename.")) return;
  settings_.DriveRoot = tokens[index] + "\\";
}

void CommandLineParser::TakeDirectory(const std::vector<std::string>& tokens, size_t& index) {
  if (!ArgumentUsable(tokens, index, "No dir specified.", "Invalid directory.")) return;
  // The directory comes from the quoted section, not from the token.
  std::string& directory = settings_.Directory;
  if (directory.size() < 2 || directory[1] != ':') {
    Tell("No dir specified.");
    return;
  }
  // The root is the drive's, whatever follows its colon: "C:", "C:\\" and "C:Games" (no
  // backslash) all name C:'s root, which always ends in a backslash.
  settings_.DriveRoot = directory.substr(0, 2) + "\\";
  directory = directory.substr(directory.size() > 2 && directory[2] == '\\' ? 3 : 2);
}

void CommandLineParser::Tell(const std::string& message) {
  tailRefused_ = true;
  toolkit_.MsgBox(message, MsgBoxButtons::OK, MsgBoxIcon::None, kProgramName);
}

}  // namespace tarvonel
