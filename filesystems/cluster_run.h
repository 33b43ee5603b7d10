#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvonel::fs {

// Clusters that lie one after another on the volume: `count` of them from `first` (cluster
// numbers, 2 being the first of the data area).
struct ClusterRun {
  uint32_t first = 0;
  uint32_t count = 0;
  bool operator==(const ClusterRun&) const = default;
};

// The run that starts at clusters[from]: as many of the clusters after it as follow it on the
// volume, `most` at most (at least 1).
ClusterRun RunAt(const std::vector<uint32_t>& clusters, size_t from, size_t most = SIZE_MAX);

// A chain as its runs, in file order.
std::vector<ClusterRun> Runs(const std::vector<uint32_t>& clusters);

// Calls `each(run, index)` for every run of `clusters` of at most `most` clusters, in order;
// `index` is where the run starts in `clusters`. Stops, returning false, when `each` does.
template <typename Each>
bool ForEachRun(const std::vector<uint32_t>& clusters, size_t most, Each each) {
  for (size_t done = 0; done < clusters.size();) {
    const ClusterRun run = RunAt(clusters, done, most);
    if (!each(run, done)) return false;
    done += run.count;
  }
  return true;
}

}  // namespace tarvonel::fs
