#pragma once
#include <algorithm>
#include <functional>
#include <string>

#include "volume/job_events.h"

namespace tarvonel {

// The engine's events as the tool takes them: what the job does, the file in hand and how far
// the step got, kept for the progress line; every yield runs `onYield` (the progress line, the
// stop on Ctrl-C). The tool keeps no debug log, map marks or activity light.
class ToolEvents : public JobEvents {
 public:
  void YieldToUser() override {
    if (onYield) onYield();
  }
  void Log(std::string_view) override {}
  void SetTitle(const std::string& title) override { title_ = title; }
  void SetCurrentFile(const std::string& path) override { file_ = path; }
  void SetProgressMaximum(int32_t maximum) override { maximum_ = std::max(maximum, 0); }
  // Kept within the range, as a progress bar keeps its value.
  void SetProgress(int32_t value) override { progress_ = std::clamp(value, 0, maximum_); }
  int32_t Progress() const override { return progress_; }
  void MarkCluster(int32_t, uint32_t) override {}
  void SetActivityLight(bool) override {}

  // The engine's title of what the job does now ("Defragmenting volume C:\").
  const std::string& Title() const { return title_; }
  // The engine path of the file in hand ("C:\GAMES\GAME.ISO"), or empty.
  const std::string& CurrentFile() const { return file_; }
  double Fraction() const { return maximum_ > 0 ? static_cast<double>(progress_) / maximum_ : 0.0; }

  std::function<void()> onYield;

 private:
  std::string title_;
  std::string file_;
  int32_t maximum_ = 0;
  int32_t progress_ = 0;
};

}  // namespace tarvonel
