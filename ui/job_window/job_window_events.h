#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "volume/job_events.h"

namespace tarvonel {

class DebugLog;
class JobWindow;
class Toolkit;

// The job window's side of a job's events: its caption, current-file label, progress bar,
// map and activity light, the toolkit's yield and the debug log. Holds the window only by
// reference, so the engine can be built before the window is.
class JobWindowEvents : public JobEvents {
 public:
  JobWindowEvents(JobWindow& window, Toolkit& toolkit, DebugLog& log);

  void YieldToUser() override;
  void Log(std::string_view text) override;
  void SetTitle(const std::string& title) override;
  void SetCurrentFile(const std::string& path) override;
  void SetProgressMaximum(int32_t maximum) override;
  void SetProgress(int32_t value) override;
  int32_t Progress() const override;
  void MarkCluster(int32_t lcn, uint32_t colour) override;
  void SetActivityLight(bool lit) override;

 private:
  JobWindow& window_;
  Toolkit& toolkit_;
  DebugLog& log_;
};

}  // namespace tarvonel
