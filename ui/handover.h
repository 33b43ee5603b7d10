#pragma once
#include <cstdint>

#include "base/job_settings.h"

namespace tarvonel {

class Window;

inline constexpr uint32_t kIdlePriorityClass = 64;
inline constexpr uint32_t kNormalPriorityClass = 32;
inline constexpr uint32_t kAboveNormalPriorityClass = 32768;

// What start-up, the command line and the job window hand over to: the main window, the
// context-menu settings window, the tray, process priority, the passes and the command-line
// job run.
class Handover {
 public:
  virtual ~Handover() = default;
  // Builds the drive list and selects its first entry.
  virtual void Introduction() = 0;
  virtual void ShowMainWindow() = 0;
  virtual Window* MainForm() = 0;  // for placing the job window below it
  virtual void HideMainWindow() = 0;
  virtual void HideJobWindow() = 0;
  virtual void ShowContextMenuSettings() = 0;
  virtual void SetProcessPriority(uint32_t priorityClass) = 0;
  virtual void MinimizeToTray() = 0;
  virtual void CleanupSystray() = 0;
  // The main window's "Clear Recycled" box, and emptying every recycle bin.
  virtual bool ClearRecycledChecked() = 0;
  virtual void EmptyRecycleBin() = 0;
  // Runs defrag, optimizequick or compactquick to its end.
  virtual void RunPass(JobAction pass) = 0;
  // The windows that close with the job window: main, context-menu settings, temperature warning.
  virtual void UnloadOtherWindows() = 0;
  // Runs the job the command line described on JobSettings' drive; returns when it has ended.
  virtual void RunCommandLineJob(JobAction action, bool minimizeToTray) = 0;
};

}  // namespace tarvonel
