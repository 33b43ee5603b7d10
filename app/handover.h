#pragma once
#include <cstdint>

#include "app/job_settings.h"

namespace tarvonel {

inline constexpr uint32_t kIdlePriorityClass = 64;
inline constexpr uint32_t kNormalPriorityClass = 32;
inline constexpr uint32_t kAboveNormalPriorityClass = 32768;

// What start-up and the command line hand over to: the main window, the job window, the
// context-menu settings window, process priority and the command-line job run.
class Handover {
 public:
  virtual ~Handover() = default;
  // Builds the drive list and selects its first entry.
  virtual void Introduction() = 0;
  virtual void HideMainWindow() = 0;
  virtual void HideJobWindow() = 0;
  virtual void ShowContextMenuSettings() = 0;
  virtual void SetProcessPriority(uint32_t priorityClass) = 0;
  // Runs the job the command line described on JobSettings' drive; returns when it has ended.
  virtual void RunCommandLineJob(JobAction action, bool minimizeToTray) = 0;
};

}  // namespace tarvonel
