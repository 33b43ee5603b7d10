#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvonel {

// Everything a job shows while it runs, and its yields: the engine's only way out. The job
// window implements it; tests record it.
class JobEvents {
 public:
  virtual ~JobEvents() = default;

  // Lets the user's clicks and the timers run; a stop request is seen after it. (Not "Yield":
  // <windows.h> defines that as a macro.)
  virtual void YieldToUser() = 0;
  // One piece of the debug log; `text` carries its own CR LF. Callers write only with the log on.
  virtual void Log(std::string_view text) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetCurrentFile(const std::string& path) = 0;
  // The progress runs from 0 to `maximum`.
  virtual void SetProgressMaximum(int32_t maximum) = 0;
  virtual void SetProgress(int32_t value) = 0;
  virtual int32_t Progress() const = 0;
  // Paints the map column of `lcn` in `colour` (0xBBGGRR); shown at the next map refresh.
  virtual void MarkCluster(int32_t lcn, uint32_t colour) = 0;
  // Lit while the file system moves clusters.
  virtual void SetActivityLight(bool lit) = 0;
};

}  // namespace tarvonel
