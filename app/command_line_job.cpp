#include "app/command_line_job.h"

#include "base/debug_log.h"
#include "base/job_flags.h"
#include "diskcheck/check_runner.h"
#include "placement/engine_job.h"
#include "platform/process_control.h"
#include "ui/controls/toolkit.h"
#include "ui/main_window/main_window.h"
#include "version.h"
#include "volume/volume_access.h"
#include "volume/seek_penalty.h"

namespace tarvonel {
namespace {

constexpr uint32_t kForcedPowerOff = 8;

}  // namespace

CommandLineJob::CommandLineJob(VolumeIo& io, TokenAccess& token, ProcessPower& power, Toolkit& toolkit, const JobSettings& settings, JobFlags& flags,
                               DebugLog& debugLog, CheckRunner& checks, MainWindow& mainWindow, EngineJob& job)
    : io_(io),
      token_(token),
      power_(power),
      toolkit_(toolkit),
      settings_(settings),
      flags_(flags),
      debugLog_(debugLog),
      checks_(checks),
      mainWindow_(mainWindow),
      job_(job) {}

void CommandLineJob::Run(JobAction action, bool minimizeToTray) {
  passRan_ = false;
  asked_ = action;
  checks_.runchkdsk(settings_.DriveRoot.substr(0, 2));
  if (flags_.DiskCheckFailed) return;  // the check has told the user; a dirty volume runs nothing
  if (!mainWindow_.prepare_job()) {
    if (mainWindow_.SelectedDriveRefused()) return;  // the refusal has told the user why
    // Nothing was opened: a pass would work on no volume, and an unattended exit would hide why.
    const std::string drive = settings_.DriveRoot.substr(0, 2);
    const bool named = drive.size() == 2 && drive[1] == ':';
    toolkit_.MsgBox(named ? "Drive " + drive + " cannot be opened; the command-line job was not run."
                          : std::string("There is no drive to work on; the command-line job was not run."),
                    MsgBoxButtons::OK, MsgBoxIcon::Exclamation, kProgramName);
    return;
  }
  if (action != JobAction::None && mainWindow_.SelectedDriveReadOnly()) {
    toolkit_.MsgBox(ReadOnlyVolumeMessage(settings_.DriveRoot.substr(0, 2)), MsgBoxButtons::OK,
                    MsgBoxIcon::Exclamation, kProgramName);
    return;
  }
  if (minimizeToTray) mainWindow_.minimize_to_tray();
  // Unattended, nobody can be asked: the job runs as its command line says, and says so.
  if (action != JobAction::None && settings_.DebugLog &&
      QuerySeekPenalty(io_, settings_.DriveRoot.substr(0, 2)) == SeekPenalty::None) {
    debugLog_.AppendDebug("SSD: " + settings_.DriveRoot.substr(0, 2) +
                          " is a solid-state drive; the command-line job runs as asked\r\n");
  }
  job_.RunPass(action);
  passRan_ = action != JobAction::None;
  if (!flags_.StopRequested && settings_.ShutdownAfter) clsExitWindows(token_, power_).ExitWindows(kForcedPowerOff);
  if (!flags_.StopRequested && settings_.CloseAfter) {
    mainWindow_.cleanup_systray();
    toolkit_.EndProgram();
  }
}

}  // namespace tarvonel
