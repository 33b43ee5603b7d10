// Defrag and Optimize on generated volumes with about 10,000 fragmented files, on 2^22 and
// 2^24 clusters: wall time, moves, clusters moved against the lower bound (the clusters of
// the files that had to move), and the files left fragmented.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/program.h"
#include "bench_machines.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {
namespace {

Machine FragmentedMachine(int64_t clusters) {
  GeneratorSettings settings;
  settings.files = 40'000;
  settings.directories = 2'000;
  settings.fragmentedPercent = 30;
  settings.maxFragments = 16;
  settings.fillPercent = 50;
  settings.seed = 3;
  return bench::GeneratedMachine(clusters, settings);
}

void RunPass(benchmark::State& state, JobAction pass) {
  for (auto _ : state) {
    state.PauseTiming();
    SimPlatform platform(FragmentedMachine(state.range(0)));
    VirtualClock clock;
    HeadlessToolkit toolkit(clock);
    Program program(platform, toolkit);
    program.Run();
    program.Jobs().cmdanalysemore.Click();
    int64_t lowerBound = 0;
    int64_t before = 0;
    ExtentReader& reader = program.Extents();
    for (const std::string& path : program.Job().Fragmented().names) {
      if (path.empty()) continue;
      ++before;
      lowerBound += reader.ReadExtents(path, false, false).Extents.back().NextVcn;
    }
    state.ResumeTiming();
    program.Handover().RunPass(pass);
    state.PauseTiming();
    program.Jobs().cmdanalysemore.Click();
    state.counters["fragmented_before"] = static_cast<double>(before);
    state.counters["fragmented_after"] = static_cast<double>(program.Job().Fragmented().names.size() - 1);
    state.counters["moves"] = platform.Moves();
    state.counters["clusters_moved"] = static_cast<double>(platform.ClustersMoved());
    state.counters["lower_bound"] = static_cast<double>(lowerBound);
    state.counters["us_per_fragmented_file"] = benchmark::Counter(static_cast<double>(before), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.ResumeTiming();
  }
}

void BM_Defrag(benchmark::State& state) { RunPass(state, JobAction::Defragment); }
void BM_Optimize(benchmark::State& state) { RunPass(state, JobAction::Optimize); }
BENCHMARK(BM_Defrag)->Arg(1 << 22)->Arg(1 << 24)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Optimize)->Arg(1 << 22)->Arg(1 << 24)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace tarvonel
