#pragma once
#include <memory>

#include "platform/sim/machine.h"
#include "platform/sim/sim_volume.h"
#include "platform/sim/volume_generator.h"

namespace tarvonel::bench {

// A machine whose drive C: is a generated NTFS volume (4 KiB clusters) with a Windows folder.
inline Machine GeneratedMachine(int64_t clusters, GeneratorSettings settings) {
  auto volume = std::make_shared<SimVolume>("NTFS", 512, 8, clusters);
  settings.windowsFolder = true;
  GenerateVolumeContent(*volume, settings, "C:");
  Machine machine;
  SimDrive drive;
  drive.label = "System";
  drive.volume = volume;
  machine.drives.push_back(drive);
  return machine;
}

// One million files in 20,000 folders on 2^26 clusters, a tenth of the multi-cluster files
// fragmented.
inline Machine MillionFileMachine() {
  GeneratorSettings settings;
  settings.files = 1'000'000;
  settings.directories = 20'000;
  settings.fragmentedPercent = 10;
  settings.fillPercent = 60;
  return GeneratedMachine(int64_t{1} << 26, settings);
}

}  // namespace tarvonel::bench
