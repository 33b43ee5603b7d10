#include "app/program.h"

#include "platform/platform.h"
#include "ui/controls/toolkit.h"

namespace tarvonel {

// Each module takes only the platform roles it uses.
Program::Program(PlatformRoles platform, Toolkit& toolkit)
    : os_(platform.os),
      toolkit_(toolkit),
      redirection_(platform.os),
      volumes_(platform.volumes, redirection_),
      debugLogWindow_(toolkit, debugLog_),
      errorText_(platform.os, MessageBoxNotice(toolkit)),
      volume_(volumes_),
      jobEvents_(jobWindow_, toolkit, debugLog_),
      extents_(volumes_, settings_, jobEvents_, errorText_),
      mover_(volumes_, jobEvents_, settings_, volume_.Geometry(), errorText_),
      job_({volumes_, platform.os, volume_, extents_, mover_, jobEvents_, jobWindow_, settings_, flags_,
            exclusionText_, prefetchDir_}),
      details_(job_.Files().Lists, flags_),
      jobWindow_({volumes_, toolkit, job_, settings_, flags_, volume_, extents_, debugLog_, debugLogWindow_,
                  handover_, details_}),
      handover_({platform.shell, toolkit, mainWindow_, jobWindow_, contextMenu_, job_, commandLineJob_}),
      diskCheck_(platform.diskCheck, volumes_),
      checks_(toolkit, jobWindow_, flags_, diskCheck_),
      mainWindow_({volumes_, platform.os, platform.shell, platform.power, toolkit, settings_,
                   flags_, volume_, job_.Files(), jobWindow_, checks_, prefetchDir_, exclusionText_}),
      contextMenu_(platform.registry, platform.shell, toolkit),
      commandLineJob_(volumes_, platform.token, platform.power, toolkit, settings_, flags_, debugLog_, checks_,
                      mainWindow_, job_),
      parser_(settings_, debugLogWindow_, toolkit, handover_),
      startup_(platform.os, platform.token, platform.shell, toolkit, debugLog_, errorText_, redirection_, handover_,
               parser_) {
}

Program::~Program() {
  toolkit_.RemoveTrayIcon(mainWindow_);
  toolkit_.Unload(contextMenu_);
  toolkit_.Unload(jobWindow_.TemperatureWarning());
  toolkit_.Unload(mainWindow_);
  toolkit_.Unload(details_);
  toolkit_.Unload(jobWindow_);
  toolkit_.Unload(debugLogWindow_.Window());
}

std::vector<Window*> Program::Windows() {
  return {&mainWindow_, &jobWindow_, &details_, &debugLogWindow_.Window(), &contextMenu_, &jobWindow_.TemperatureWarning()};
}

StartupOutcome Program::Run() { return startup_.Run(os_.CommandTail()); }

}  // namespace tarvonel
