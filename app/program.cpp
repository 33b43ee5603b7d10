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
      volumeConstants_(platform, platform, settings_, jobEvents_, volume_.Geometry(), zones_),
      extents_(platform, settings_, jobEvents_, errorText_),
      catalogue_(platform, jobEvents_, extents_, flags_, volume_.Geometry(), zones_, prefetchDir_),
      bootLayout_(platform, platform, jobEvents_, extents_, prefetchDir_),
      details_(catalogue_.Lists, flags_),
      jobWindow_({platform, toolkit, jobEvents_, settings_, flags_, volume_, volumeConstants_, extents_, catalogue_,
                  bootLayout_, debugLog_, debugLogWindow_, exclusionText_, handover_, details_}),
      mover_(platform, jobEvents_, settings_, volume_.Geometry(), errorText_),
      steps_(platform, jobEvents_, flags_, volume_, zones_, extents_, mover_),
      handover_({platform, redirection_, toolkit, mainWindow_, jobWindow_, contextMenu_, passes_, commandLineJob_}),
      passes_({jobEvents_, jobWindow_, steps_, flags_, settings_, volume_, zones_, catalogue_, jobWindow_.Fragmented}),
      diskCheck_(platform, platform, redirection_),
      checks_(toolkit, jobWindow_, flags_, diskCheck_),
      mainWindow_({platform, platform, platform, platform, redirection_, toolkit, settings_, flags_, volume_, catalogue_, jobWindow_, checks_,
                   prefetchDir_, exclusionText_}),
      contextMenu_(platform, platform, toolkit),
      commandLineJob_(platform, platform, platform, toolkit, settings_, flags_, debugLog_, checks_, mainWindow_, passes_),
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
