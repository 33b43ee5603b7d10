#include "base/debug_log.h"

namespace tarvonel {

void DebugLog::AppendDebug(std::string_view line) {
  text_ += line;
  if (viewer_ != nullptr) viewer_->Appended(line);
}

void DebugLog::ClearDebugLog() {
  text_.clear();
  if (viewer_ != nullptr) viewer_->Cleared();
}

}  // namespace tarvonel
