#include "front/linux/pass_stop.h"

#include <iostream>

#include "app/program.h"
#include "front/linux/tool/interrupt.h"
#include "platform/image/image_drives.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {

void StopPassOnInterrupt(HeadlessToolkit& toolkit, Program& program, image::ImageDrives& drives,
                         std::function<void()> eachYield, std::function<void()> beforeSaying) {
  CatchInterrupts();
  toolkit.onDoEvents = [&program, &drives, eachYield = std::move(eachYield), beforeSaying = std::move(beforeSaying)] {
    if (!program.Jobs().Arretdefrag.Enabled()) return;
    if (eachYield) eachYield();
    if (TakeInterrupt()) {
      if (beforeSaying) beforeSaying();
      std::cerr << "tarvonel: interrupted; the pass stops after the move it is making\n";
      drives.CommitPendingMoves();
      program.Jobs().Arretdefrag.Click();
      return;
    }
    for (const auto& volume : drives.Volumes()) {
      if (!volume->Refusal().empty()) {
        if (beforeSaying) beforeSaying();
        std::cerr << "tarvonel: " << volume->Refusal() << "; the pass stops\n";
        program.Jobs().Arretdefrag.Click();
        return;
      }
    }
  };
}

}  // namespace tarvonel
