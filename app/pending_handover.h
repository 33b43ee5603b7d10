#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/handover.h"
#include "app/job_settings.h"

namespace tarvonel {

class CheckRunner;
class JobWindow;
struct JobFlags;
class Passes;
class Platform;
class Toolkit;
class VolumeAccess;

// Stands in for the main window, the tray and the command-line job run until they exist: it
// publishes the prefetch folder and selects the first drive as the drive list would, runs the
// pass a command line names on its drive, and records every request, so a front end can
// report what was asked of it.
class PendingHandover : public Handover {
 public:
  struct JobRequest {
    JobAction action = JobAction::None;
    bool minimizeToTray = false;
    std::string driveRoot;
    std::string directory;
  };

  PendingHandover(Platform& platform, Toolkit& toolkit, JobSettings& settings, VolumeAccess& volume,
                  std::string& prefetchDir);

  void Introduction() override;
  void ShowMainWindow() override { mainWindowHidden = false; }
  void HideMainWindow() override { mainWindowHidden = true; }
  void HideJobWindow() override { jobWindowHidden = true; }
  void ShowContextMenuSettings() override { contextMenuSettingsShown = true; }
  void SetProcessPriority(uint32_t priorityClass) override;
  void RunCommandLineJob(JobAction action, bool minimizeToTray) override;
  void MinimizeToTray() override { minimizedToTray = true; }
  void CleanupSystray() override { minimizedToTray = false; }
  bool ClearRecycledChecked() override { return false; }  // no main window yet: the box is unticked
  void EmptyRecycleBin() override {}
  void RunPass(JobAction pass) override;
  void UnloadOtherWindows() override {}

  // The drive selection of the drive list: select the volume and read its file-system name.
  // Refuses a volume too large for the engine with a message.
  void SelectDrive(const std::string& root);
  // Loaded with the main window at start-up.
  void AttachJobWindow(JobWindow& window) { jobWindow_ = &window; }
  void AttachPasses(Passes& passes) { passes_ = &passes; }
  void AttachDiskCheck(CheckRunner& checks, const JobFlags& flags) {
    checks_ = &checks;
    flags_ = &flags;
  }

  bool minimizedToTray = false;
  // Whether a command line's pass runs: on the simulated machine yes; on a real disk not
  // before the job run with its disk check exists.
  bool runCommandLinePasses = false;
  std::vector<JobAction> passesRequested;
  bool mainWindowHidden = false;
  bool jobWindowHidden = false;
  bool contextMenuSettingsShown = false;
  // The class the last priority change read back.
  std::optional<uint32_t> PriorityClass() const { return priorityClass_; }
  const std::optional<JobRequest>& Job() const { return job_; }

 private:
  Platform& platform_;
  Toolkit& toolkit_;
  JobSettings& settings_;
  VolumeAccess& volume_;
  std::string& prefetchDir_;
  JobWindow* jobWindow_ = nullptr;
  Passes* passes_ = nullptr;
  CheckRunner* checks_ = nullptr;
  const JobFlags* flags_ = nullptr;
  std::optional<uint32_t> priorityClass_;
  std::optional<JobRequest> job_;
};

const char* JobActionName(JobAction action);

}  // namespace tarvonel
