#pragma once
#include <string>

#include "app/command_line.h"
#include "app/command_line_job.h"
#include "app/program_handover.h"
#include "app/startup.h"
#include "base/debug_log.h"
#include "base/job_flags.h"
#include "base/job_settings.h"
#include "diskcheck/check_runner.h"
#include "diskcheck/disk_check.h"
#include "placement/engine_job.h"
#include "platform/system_error_text.h"
#include "platform/wow64_redirection.h"
#include "platform/wow64_volume_io.h"
#include "shell/context_menu_window.h"
#include "ui/debug_log/debug_log_window.h"
#include "ui/job_window/details_window.h"
#include "ui/job_window/job_window.h"
#include "ui/job_window/job_window_events.h"
#include "ui/main_window/main_window.h"
#include "volume/cluster_moves.h"
#include "volume/extents.h"
#include "volume/volume_access.h"

namespace tarvonel {

struct PlatformRoles;
class OsFacts;
class Toolkit;

// The one composition root: owns the program-wide state and hands each module the
// collaborators it uses. Front ends and tests each build their own.
class Program {
 public:
  Program(PlatformRoles platform, Toolkit& toolkit);
  // The toolkit outlives the program: its windows are unloaded before they go.
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The entry point: start-up with the platform's command tail. When it returns Started the
  // program lives on in its windows.
  StartupOutcome Run();

  JobSettings& Settings() { return settings_; }
  DebugLog& Log() { return debugLog_; }
  DebugLogWindow& LogWindow() { return debugLogWindow_; }
  ProgramHandover& Handover() { return handover_; }
  MainWindow& Main() { return mainWindow_; }
  frmContext& ContextMenu() { return contextMenu_; }
  CommandLineJob& CommandLine() { return commandLineJob_; }
  const CommandLineParser& TailParser() const { return parser_; }
  // Every window of the program, for scripted clicks and pictures by name.
  std::vector<Window*> Windows();
  VolumeAccess& Volume() { return volume_; }
  EngineJob& Job() { return job_; }
  VolumeConstants& Constants() { return job_.Constants(); }
  Catalogue& Files() { return job_.Files(); }
  JobFlags& Flags() { return flags_; }
  JobWindow& Jobs() { return jobWindow_; }
  FrmDetails& Details() { return details_; }
  std::string& ExclusionText() { return exclusionText_; }
  MoveSteps& Steps() { return job_.Steps(); }
  ClusterMover& Mover() { return mover_; }
  VolumeZones& Zones() { return job_.Zones(); }
  ExtentReader& Extents() { return extents_; }

 private:
  OsFacts& os_;
  Toolkit& toolkit_;
  Wow64Redirection redirection_;
  Wow64VolumeIo volumes_;  // the volume role, with redirection off inside its path calls
  JobSettings settings_;
  JobFlags flags_;
  std::string prefetchDir_;  // the Windows directory + "\Prefetch"
  DebugLog debugLog_;
  DebugLogWindow debugLogWindow_;
  SystemErrorText errorText_;
  VolumeAccess volume_;
  JobWindowEvents jobEvents_;  // the job window's, handed to the engine before the window exists
  ExtentReader extents_;
  ClusterMover mover_;
  std::string exclusionText_;  // the main window's exclusion box
  EngineJob job_;              // its host is the job window, built after it
  FrmDetails details_;
  JobWindow jobWindow_;
  ProgramHandover handover_;
  DiskCheck diskCheck_;
  CheckRunner checks_;
  MainWindow mainWindow_;
  frmContext contextMenu_;
  CommandLineJob commandLineJob_;
  CommandLineParser parser_;
  Startup startup_;
};

}  // namespace tarvonel
