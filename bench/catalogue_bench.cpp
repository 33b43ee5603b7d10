// The catalogue walk over a generated volume of one million files, placement lists on:
// the time per file is what an analysis of a large disk costs before any move.
#include <benchmark/benchmark.h>

#include <memory>

#include "analysis/volume_zones.h"
#include "app/job_flags.h"
#include "app/job_settings.h"
#include "bench_machines.h"
#include "platform/sim/sim_platform.h"
#include "ui/debug_log/debug_log.h"
#include "ui/debug_log/system_error_text.h"
#include "ui/headless/headless_toolkit.h"
#include "volume/catalogue.h"
#include "volume/volume_access.h"

namespace tarvonel {
namespace {

void BM_CatalogueWalkMillionFiles(benchmark::State& state) {
  SimPlatform platform(bench::MillionFileMachine());
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
