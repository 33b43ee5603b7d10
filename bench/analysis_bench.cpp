// The job window's Analyze on a generated one-million-file volume (files per second), and the
// base map of a 2^28-cluster volume drawn at 1000 columns.
#include <benchmark/benchmark.h>

#include <random>

#include "app/program.h"
#include "bench_machines.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {
namespace {

void BM_AnalyzeMillionFiles(benchmark::State& state) {
  SimPlatform platform(bench::MillionFileMachine());
  VirtualClock clock;
  HeadlessToolkit toolkit(clock);
  Program program(platform, toolkit);
  program.Run();
  int64_t files = 0;
  for (auto _ : state) {
    program.Jobs().cmdanalysemore.Click();
    files = program.Files().FileCount;
  }
  state.SetItemsProcessed(state.iterations() * files);
  state.counters["files"] = static_cast<double>(files);
  state.counters["fragmented"] = static_cast<double>(program.Job().Fragmented().names.size() - 1);
}
BENCHMARK(BM_AnalyzeMillionFiles)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_DrawMap2To28Clusters(benchmark::State& state) {
  SimPlatform platform(ParseMachine(R"({"drives": [{"letter": "C", "volume": {"file_system": "FAT32"}}]})"));
  VirtualClock clock;
  HeadlessToolkit toolkit(clock);
  Program program(platform, toolkit);
  program.Run();
  MapBitmapRecord record;
  record.BitmapSize = int64_t{1} << 28;
  record.Bitmap.resize((size_t{1} << 25) + 17);
  std::mt19937_64 random(5);
  for (size_t i = 0; i + 17 < record.Bitmap.size(); ++i) {
    const uint64_t roll = random() % 4;
    record.Bitmap[i] = roll == 0 ? 0 : roll == 1 ? 0xFF : static_cast<uint8_t>(random());
  }
  ColumnSurface& surface = program.Jobs().Picdepartvolume.Surface();
  surface.Resize(1000, 40);
  for (auto _ : state) program.Jobs().Map().DrawVolumeMap(record);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(record.Bitmap.size()));
  state.counters["bytes_per_column"] = program.Jobs().Map().BytesPerColumn();
}
BENCHMARK(BM_DrawMap2To28Clusters)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvonel
