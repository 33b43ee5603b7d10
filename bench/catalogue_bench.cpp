// The catalogue walk over a generated volume of one million files, placement lists on:
// the time per file is what an analysis of a large disk costs before any move.
#include <benchmark/benchmark.h>

#include <memory>

#include "analysis/volume_zones.h"
#include "app/job_flags.h"
#include "app/job_settings.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_volume.h"
#include "platform/sim/volume_generator.h"
#include "ui/debug_log/debug_log.h"
#include "ui/debug_log/system_error_text.h"
#include "ui/headless/headless_toolkit.h"
#include "volume/catalogue.h"
#include "volume/volume_access.h"

namespace tarvonel {
namespace {

Machine MillionFileMachine() {
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

void BM_CatalogueWalkMillionFiles(benchmark::State& state) {
  SimPlatform platform(MillionFileMachine());
  VirtualClock clock;
  HeadlessToolkit toolkit(clock);
  JobSettings settings;
  DebugLog log(toolkit);
  SystemErrorText errorText(platform, toolkit);
  ExtentReader extents(platform, settings, log, errorText);
  VolumeAccess volume(platform);
  volume.SelectDrive("C:\\");
  VolumeZones zones;
  VolumeConstants constants(platform, settings, log, volume.Geometry(), zones);
  constants.ComputeVolumeConstants("C:");
  JobFlags flags;
  flags.CollectPlacementLists = true;
  const std::string prefetch = "C:\\Windows\\Prefetch";
  Catalogue catalogue(platform, toolkit, extents, flags, volume.Geometry(), zones, prefetch);
  int64_t files = 0;
  for (auto _ : state) {
    catalogue.FileCount = 0;
    FragmentedPaths fragmented;
    catalogue.WalkDirectory("C:\\", fragmented, true);
    files = catalogue.FileCount;
  }
  state.SetItemsProcessed(state.iterations() * files);
  state.counters["files"] = static_cast<double>(files);
  state.counters["fragmented"] = static_cast<double>(catalogue.FragmentedCount);
  state.counters["ns_per_file"] =
      benchmark::Counter(static_cast<double>(files), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CatalogueWalkMillionFiles)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace tarvonel
