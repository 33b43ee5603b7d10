#include "app/program.h"

#include "platform/platform.h"

namespace tarvonel {

Program::Program(Platform& platform, Toolkit& toolkit)
    : platform_(platform),
      debugLog_(toolkit),
      errorText_(platform, toolkit),
      handover_(platform, settings_),
      parser_(settings_, debugLog_, toolkit, handover_),
      startup_(platform, toolkit, debugLog_, errorText_, handover_, parser_) {}

StartupOutcome Program::Run() { return startup_.Run(platform_.CommandTail()); }

}  // namespace tarvonel
