#include "app/program.h"

#include "platform/platform.h"
#include "ui/controls/toolkit.h"

namespace tarvonel {

// Each module takes only the platform roles it uses; `platform` is all of them.
Program::Program(Platform& platform, Toolkit& toolkit)
    : platform_(platform),
      toolkit_(toolkit),
      redirection_(platform),
      debugLogWindow_(toolkit, debugLog_),
      errorText_(platform, MessageBoxNotice(toolkit)),
      volume_(platform),
      jobEvents_(jobWindow_, toolkit, debugLog_),
      extents_(platform, settings_, jobEvents_, errorText_),
      mover_(platform, jobEvents_, settings_, volume_.Geometry(), errorText_),
      job_({platform, platform, volume_, extents_, mover_, jobEvents_, jobWindow_, settings_, flags_, exclusionText_,
            prefetchDir_}),
      details_(job_.Files().Lists, flags_),
      jobWindow_({platform, toolkit, job_, settings_, flags_, volume_, extents_, debugLog_, debugLogWindow_, handover_,
                  details_}),
      handover_({platform, redirection_, toolkit, mainWindow_, jobWindow_, contextMenu_, job_, commandLineJob_}),
      diskCheck_(platform, platform, redirection_),
      checks_(toolkit, jobWindow_, flags_, diskCheck_),
      mainWindow_({platform, platform, platform, platform, redirection_, toolkit, settings_, flags_, volume_,
                   job_.Files(), jobWindow_, checks_, prefetchDir_, exclusionText_}),
      contextMenu_(platform, platform, toolkit),
      commandLineJob_(platform, platform, platform, toolkit, settings_, flags_, debugLog_, checks_, mainWindow_, job_),
      parser_(settings_, debugLogWindow_, toolkit, handover_),
      startup_(platform, platform, platform, toolkit, debugLog_, errorText_, redirection_, handover_, parser_) {
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

StartupOutcome Program::Run() { return startup_.Run(platform_.CommandTail()); }

}  // namespace tarvonel
