#include "app/program_handover.h"

#include "app/command_line_job.h"
#include "placement/engine_job.h"
#include "platform/shell_access.h"
#include "shell/context_menu_window.h"
#include "ui/controls/toolkit.h"
#include "ui/job_window/job_window.h"
#include "ui/main_window/main_window.h"

namespace tarvonel {

void ProgramHandover::Introduction() {
  p_.toolkit.Load(p_.mainWindow);
  p_.mainWindow.Form_Load();
  p_.mainWindow.Introduction();
}

void ProgramHandover::ShowMainWindow() { p_.toolkit.Show(p_.mainWindow); }

Window* ProgramHandover::MainForm() { return &p_.mainWindow; }

void ProgramHandover::HideMainWindow() { p_.toolkit.Hide(p_.mainWindow); }

void ProgramHandover::HideJobWindow() { p_.toolkit.Hide(p_.jobWindow); }

void ProgramHandover::ShowContextMenuSettings() {
  p_.toolkit.Load(p_.contextMenu);
  p_.contextMenu.Form_Load();
  p_.toolkit.Show(p_.contextMenu);
}

void ProgramHandover::SetProcessPriority(uint32_t priorityClass) { p_.mainWindow.SetPriority(priorityClass); }

void ProgramHandover::MinimizeToTray() { p_.mainWindow.minimize_to_tray(); }

void ProgramHandover::CleanupSystray() { p_.mainWindow.cleanup_systray(); }

bool ProgramHandover::ClearRecycledChecked() { return p_.mainWindow.CheckDelBin.Value(); }

void ProgramHandover::EmptyRecycleBin() {
  p_.shell.EmptyRecycleBins();
}

void ProgramHandover::RunPass(JobAction pass) { p_.job.RunPass(pass); }

void ProgramHandover::UnloadOtherWindows() {
  p_.toolkit.Unload(p_.mainWindow);
  p_.toolkit.Unload(p_.contextMenu);
}

void ProgramHandover::RunCommandLineJob(JobAction action, bool minimizeToTray) {
  p_.commandLineJob.Run(action, minimizeToTray);
}

}  // namespace tarvonel
