#pragma once
#include <string>
#include <vector>

#include "base/job_settings.h"

namespace tarvonel {

class DebugLogWindow;
class Handover;
class Toolkit;

// The tail after the pre-scan: the first double-quoted section stays behind its opening quote
// with its spaces written as "%", so that it survives tokenizing as one token.
struct PrescannedTail {
  std::string text;
  std::string quoted;  // the first quoted section, without its quotes
};

PrescannedTail PrescanQuotedSection(const std::string& tail);
// Splits at every single space; adjacent, leading or trailing spaces give empty tokens.
std::vector<std::string> SplitTokens(const std::string& text);

// Reads a command tail into JobSettings, applies the switches that act at once and, unless a
// token stops it, hands the job over to the command-line job run.
class CommandLineParser {
 public:
  CommandLineParser(JobSettings& settings, DebugLogWindow& debugLog, Toolkit& toolkit, Handover& handover);

  void process_cmd_line(const std::string& tail);
  // The last tail had a switch or argument the program told the user it could not take.
  bool TailRefused() const { return tailRefused_; }

 private:
  enum class Walk { Continue, Return };
  Walk ApplyToken(const std::vector<std::string>& tokens, size_t& index);
  void TakeDrive(const std::vector<std::string>& tokens, size_t& index);
  void TakeDirectory(const std::vector<std::string>& tokens, size_t& index);
  // Moves `index` from a /drv or /dir switch to its argument token and says whether that
  // token may be used; when not, the user has been told why.
  bool ArgumentUsable(const std::vector<std::string>& tokens, size_t& index, const char* missingMessage,
                      const char* invalidMessage);
  void Tell(const std::string& message);

  JobSettings& settings_;
  DebugLogWindow& debugLog_;
  Toolkit& toolkit_;
  Handover& handover_;
  JobAction action_ = JobAction::None;
  bool minimizeToTray_ = false;
  bool tailRefused_ = false;
};

}  // namespace tarvonel
