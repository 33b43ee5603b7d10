#include "app/pending_handover.h"

#include "app/job_flags.h"
#include "app/process_control.h"
#include "diskcheck/check_runner.h"
#include "platform/platform.h"
#include "ui/controls/toolkit.h"
#include "placement/passes.h"
#include "ui/job_window/job_window.h"
#include "version.h"
#include "volume/volume_access.h"

namespace tarvonel {

PendingHandover::PendingHandover(Platform& platform, Toolkit& toolkit, JobSettings& settings, VolumeAccess& volume,
                                 std::string& prefetchDir)
    : platform_(platform), toolkit_(toolkit), settings_(settings), volume_(volume), prefetchDir_(prefetchDir) {}

void PendingHandover::Introduction() {
  const std::string windowsDirectory = platform_.WindowsDirectory();
  prefetchDir_ = windowsDirectory.substr(0, windowsDirectory.find('\0')) + "\\Prefetch";
  // The drive list holds removable and fixed drives; A: is the floppy and is never listed.
  const std::string roots = platform_.LogicalDriveStrings();
  for (size_t start = 0; start < roots.size() && roots[start] != '\0';) {
    size_t end = roots.find('\0', start);
    if (end == std::string::npos) end = roots.size();
    std::string root = roots.substr(start, end - start);
    start = end + 1;
    if (root.empty() || root[0] == 'A' || root[0] == 'a') continue;
    DriveType type = platform_.DriveTypeOf(root);
    if (type != DriveType::Removable && type != DriveType::Fixed) continue;
    // Every listed drive is checked; a dirty one warns once here.
    if (checks_ != nullptr) checks_->runchkdsk(root.substr(0, 2));
    if (settings_.DriveRoot.empty() || volume_.Geometry().DriveRoot.empty()) SelectDrive(root);
  }
  if (jobWindow_ != nullptr) {
    toolkit_.Load(*jobWindow_);
    jobWindow_->Form_Load();
    toolkit_.Show(*jobWindow_);
  }
}

void PendingHandover::SelectDrive(const std::string& root) {
  settings_.DriveRoot = root;
  if (!volume_.SelectDrive(root)) {
    toolkit_.MsgBox(VolumeTooLargeMessage(root.substr(0, 2), volume_.Geometry().OversizeClusters), MsgBoxButtons::OK,
                    MsgBoxIcon::Exclamation, kProgramName);
  }
  volume_.Geometry().FileSystemName = platform_.QueryVolumeInformation(root.substr(0, 3)).fileSystemName;
}

void PendingHandover::RunCommandLineJob(JobAction action, bool minimizeToTray) {
  job_ = JobRequest{action, minimizeToTray, settings_.DriveRoot, settings_.Directory};
  if (!runCommandLinePasses || settings_.DriveRoot.size() < 2) return;
  // A dirty volume runs no job.
  if (checks_ != nullptr) {
    checks_->runchkdsk(settings_.DriveRoot.substr(0, 2));
    if (flags_ != nullptr && flags_->DiskCheckFailed) return;
  }
  if (action == JobAction::None) return;
  // The job's drive, as the job run's preparation selects it.
  if (volume_.Geometry().DriveRoot != settings_.DriveRoot.substr(0, 3) || volume_.VolumeHandle() == nullptr) {
    SelectDrive(settings_.DriveRoot.substr(0, 3));
  }
  if (!volume_.Geometry().TooLarge()) RunPass(action);
}

void PendingHandover::SetProcessPriority(uint32_t priorityClass) {
  priorityClass_ = tarvonel::SetProcessPriority(platform_, 0, priorityClass);
}

void PendingHandover::RunPass(JobAction pass) {
  passesRequested.push_back(pass);
  if (passes_ != nullptr) passes_->Run(pass);
}

const char* JobActionName(JobAction action) {
  switch (action) {
    case JobAction::None: return "None";
    case JobAction::Defragment: return "Defragment";
    case JobAction::Optimize: return "Optimize";
    case JobAction::Compact: return "Compact";
  }
  return "None";
}

}  // namespace tarvonel
