#include "app/program.h"

#include "platform/platform.h"

namespace tarvonel {

Program::Program(Platform& platform, Toolkit& toolkit)
    : platform_(platform),
      debugLog_(toolkit),
      errorText_(platform, toolkit),
      volume_(platform),
      volumeConstants_(platform, settings_, debugLog_, volume_.Geometry(), zones_),
      extents_(platform, settings_, debugLog_, errorText_),
      catalogue_(platform, toolkit, extents_, flags_, volume_.Geometry(), zones_, prefetchDir_),
      handover_(platform, toolkit, settings_, volume_, prefetchDir_),
      parser_(settings_, debugLog_, toolkit, handover_),
      startup_(platform, toolkit, debugLog_, errorText_, handover_, parser_) {}

StartupOutcome Program::Run() { return startup_.Run(platform_.CommandTail()); }

}  // namespace tarvonel
