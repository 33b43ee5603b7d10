#pragma once
#include <cstdint>

#include "ui/handover.h"

namespace tarvonel {

class CommandLineJob;
class JobWindow;
class MainWindow;
class EngineJob;
class ShellAccess;
class Toolkit;
class frmContext;

// The windows and services start-up, the command line and the job window hand over to.
class ProgramHandover : public Handover {
 public:
  struct Parts {
    ShellAccess& shell;
    Toolkit& toolkit;
    MainWindow& mainWindow;
    JobWindow& jobWindow;
    frmContext& contextMenu;
    EngineJob& job;
    CommandLineJob& commandLineJob;
  };
  explicit ProgramHandover(Parts parts) : p_(parts) {}

  void Introduction() override;
  void ShowMainWindow() override;
  Window* MainForm() override;
  void HideMainWindow() override;
  void HideJobWindow() override;
  void ShowContextMenuSettings() override;
  void SetProcessPriority(uint32_t priorityClass) override;
  void MinimizeToTray() override;
  void CleanupSystray() override;
  bool ClearRecycledChecked() override;
  void EmptyRecycleBin() override;
  void RunPass(JobAction pass) override;
  void UnloadOtherWindows() override;
  void RunCommandLineJob(JobAction action, bool minimizeToTray) override;

 private:
  Parts p_;
};

}  // namespace tarvonel
