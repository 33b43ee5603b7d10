// The catalogue walk over a generated volume of one million files, placement lists on:
// the time per file is what an analysis of a large disk costs before any move.
#include <benchmark/benchmark.h>

#include "app/program.h"
#include "bench_machines.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {
namespace {

void BM_CatalogueWalkMillionFiles(benchmark::State& state) {
  SimPlatform platform(bench::MillionFileMachine());
  VirtualClock clock;
  HeadlessToolkit toolkit(clock);
  Program program(platform, toolkit);
  program.Run();  // selects C: and publishes the prefetch folder
  program.Constants().ComputeVolumeConstants("C:");
  program.Flags().CollectPlacementLists = true;
  Catalogue& catalogue = program.Files();
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
