// The cost of one debug-log append must not grow with the log: compare appends to logs that
// already hold 0, 10,000 and 100,000 lines.
#include <benchmark/benchmark.h>

#include <string>

#include "ui/debug_log/debug_log_window.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {
namespace {

void BM_AppendToLogOfLines(benchmark::State& state) {
  VirtualClock clock;
  HeadlessToolkit toolkit(clock);
  DebugLog log;
  DebugLogWindow window(toolkit, log);  // the shown text box takes every piece too
  const std::string line = "fragged: C:\\Windows\\System32\\drivers\\some_driver_file.sys\r\n";
  for (int64_t i = 0; i < state.range(0); ++i) log.AppendDebug(line);
  for (auto _ : state) {
    log.AppendDebug(line);
    benchmark::DoNotOptimize(log.Text().data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendToLogOfLines)->Arg(0)->Arg(10'000)->Arg(100'000);

void BM_HundredThousandAppends(benchmark::State& state) {
  const std::string line = "DFR:can't move: C:\\data\\file.bin, last dll_err:Access is denied.\r\n";
  for (auto _ : state) {
    VirtualClock clock;
    HeadlessToolkit toolkit(clock);
    DebugLog log;
    DebugLogWindow window(toolkit, log);
    for (int i = 0; i < 100'000; ++i) log.AppendDebug(line);
    benchmark::DoNotOptimize(log.Text().size());
  }
  state.SetItemsProcessed(state.iterations() * 100'000);
}
BENCHMARK(BM_HundredThousandAppends)->Unit(benchmark::kMillisecond);

// The text store alone, as a job's events write it when no window watches: what the window's
// text box adds is the difference to the case above.
void BM_HundredThousandAppendsToTheStoreAlone(benchmark::State& state) {
  const std::string line = "DFR:can't move: C:\\data\\file.bin, last dll_err:Access is denied.\r\n";
  for (auto _ : state) {
    DebugLog log;
    for (int i = 0; i < 100'000; ++i) log.AppendDebug(line);
    benchmark::DoNotOptimize(log.Text().size());
  }
  state.SetItemsProcessed(state.iterations() * 100'000);
}
BENCHMARK(BM_HundredThousandAppendsToTheStoreAlone)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvonel

BENCHMARK_MAIN();
