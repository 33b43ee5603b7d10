// Free-run reading of a 2^28-cluster volume (32 MiB of bitmap, a realistic mix of runs):
// the word-at-a-time reader against a per-bit reference scan and a plain memchr pass over
// the same bytes, all in bitmap bytes per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "volume/free_runs.h"

namespace tarvonel {
namespace {

constexpr int64_t kClusters = int64_t{1} << 28;

// Used and free runs with lengths as a used NTFS volume shows them: many short, some long.
const std::vector<uint8_t>& RealisticBitmap() {
  static const std::vector<uint8_t> bitmap = [] {
    std::vector<uint8_t> bytes(static_cast<size_t>(kClusters / 8));
    std::mt19937_64 random(28);
    bool used = true;
    for (int64_t lcn = 0; lcn < kClusters;) {
      const int64_t roll = static_cast<int64_t>(random() % 100);
      int64_t length = roll < 60 ? 1 + static_cast<int64_t>(random() % 64)
                       : roll < 95 ? 64 + static_cast<int64_t>(random() % 4096)
                                   : 4096 + static_cast<int64_t>(random() % 262144);
      if (!used) length = std::max<int64_t>(1, length / 3);  // free space comes in smaller pieces
      for (int64_t end = std::min(kClusters, lcn + length); lcn < end; ++lcn) {
        if (used) bytes[static_cast<size_t>(lcn / 8)] |= static_cast<uint8_t>(1u << (lcn % 8));
      }
      used = !used;
    }
    return bytes;
  }();
  return bitmap;
}

void BM_WordScan(benchmark::State& state) {
  const std::vector<uint8_t>& bitmap = RealisticBitmap();
  size_t runs = 0;
  for (auto _ : state) {
    FreeRunList list;
    FreeRunScanner scanner;
    for (int64_t start = 0; start < kClusters; start += kBitmapChunkClusters) {
      scanner.ScanBitmapChunk(bitmap.data() + start / 8, start, kBitmapChunkClusters, list);
    }
    scanner.Finish(list);
    runs = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["free_runs"] = static_cast<double>(runs);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bitmap.size()));
}
BENCHMARK(BM_WordScan)->Unit(benchmark::kMillisecond);

// The bit-by-bit scan with the 8-entry mask table, as the reference.
void BM_PerBitReference(benchmark::State& state) {
  const std::vector<uint8_t>& bitmap = RealisticBitmap();
  static const uint8_t kBitMask[8] = {1, 2, 4, 8, 16, 32, 64, 128};
  for (auto _ : state) {
    FreeRunList list;
    int32_t runStart = 0;
    int32_t runLength = 0;
    for (int64_t j = 0; j < kClusters; ++j) {
      if (bitmap[static_cast<size_t>(j / 8)] & kBitMask[j % 8]) {
        if (runLength != 0) {
          list.push_back({runStart, 0, runLength});
          runStart += runLength;
          runLength = 0;
        }
        ++runStart;
      } else {
        ++runLength;
      }
    }
    if (runLength != 0) list.push_back({runStart, 0, runLength});
    benchmark::DoNotOptimize(list.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bitmap.size()));
}
BENCHMARK(BM_PerBitReference)->Unit(benchmark::kMillisecond);

// What a plain pass over the same bytes costs: memchr through the whole buffer.
void BM_Memchr(benchmark::State& state) {
  const std::vector<uint8_t>& bitmap = RealisticBitmap();
  for (auto _ : state) {
    const uint8_t* at = bitmap.data();
    const uint8_t* const end = at + bitmap.size();
    size_t hits = 0;
    while ((at = static_cast<const uint8_t*>(std::memchr(at, 0x5A, static_cast<size_t>(end - at)))) != nullptr) {
      ++hits;
      ++at;
    }
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bitmap.size()));
}
BENCHMARK(BM_Memchr)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvonel
