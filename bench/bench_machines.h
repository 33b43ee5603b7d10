#pragma once
#include <memory>

#include "platform/sim/machine.h"
#include "platform/sim/sim_volume.h"
#include "platform/sim/volume_generator.h"

namespace tarvonel::bench {

// A 64-bit Windows with drive C: a generated NTFS volume of one million files in 20,000
// folders on 2^26 clusters, a tenth of the multi-cluster files fragmented.
inline Machine MillionFileMachine() {
  auto volume = std::make_shared<SimVolume>("NTFS", 512, 8, int64_t{1} << 26);
  GeneratorSettings settings;
  settings.files = 1'000'000;
  settings.directories = 20'000;
  settings.fragmentedPercent = 10;
  settings.fillPercent = 60;
  settings.seed = 1;
  settings.windowsFolder = true;
  GenerateVolumeContent(*volume, settings, "C:");
  Machine machine;
  machine.drives.push_back({'C', DriveType::Fixed, "System", volume});
  return machine;
}

}  // namespace tarvonel::bench
