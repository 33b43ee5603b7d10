#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/debug_log.h"
#include "volume/job_events.h"
#include "volume/walk_progress.h"

namespace tarvonel::test {

// A job's events as text, in the order they came: what the engine showed, without a window.
// Log pieces go to `log`; yields are counted, and each runs the oldest queued action, as a
// click arriving in it would.
class RecordingEvents : public JobEvents, public WalkProgress {
 public:
  void QueueAction(std::function<void()> action) { actions_.push_back(std::move(action)); }
  void YieldToUser() override {
    ++yields;
    if (actions_.empty()) return;
    const std::function<void()> action = std::move(actions_.front());
    actions_.pop_front();
    action();
  }
  void Log(std::string_view text) override { log.AppendDebug(text); }
  void SetTitle(const std::string& title) override { shown.push_back("title " + title); }
  void SetCurrentFile(const std::string& path) override { shown.push_back("file " + path); }
  void SetProgressMaximum(int32_t maximum) override {
    maximum_ = maximum;
    shown.push_back("progress 0.." + std::to_string(maximum));
  }
  void SetProgress(int32_t value) override { progress_ = value; }
  int32_t Progress() const override { return progress_; }
  void MarkCluster(int32_t lcn, uint32_t colour) override { marks.push_back({lcn, colour}); }
  void SetActivityLight(bool lit) override { shown.push_back(lit ? "light on" : "light off"); }
  void StartWalkCounters() override { shown.push_back("start counters"); }
  void StopWalkCounters() override { shown.push_back("stop counters"); }

  struct Mark {
    int32_t lcn;
    uint32_t colour;
    bool operator==(const Mark&) const = default;
  };
  DebugLog log;
  std::vector<std::string> shown;
  std::vector<Mark> marks;
  int yields = 0;
  int32_t Maximum() const { return maximum_; }

 private:
  std::deque<std::function<void()>> actions_;
  int32_t progress_ = 0;
  int32_t maximum_ = 0;
};

}  // namespace tarvonel::test
