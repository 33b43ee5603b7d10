#include "filesystems/cluster_run.h"

namespace tarvonel::fs {

ClusterRun RunAt(const std::vector<uint32_t>& clusters, size_t from, size_t most) {
  ClusterRun run{clusters[from], 1};
  while (run.count < most && from + run.count < clusters.size() &&
         clusters[from + run.count] == run.first + run.count) {
    ++run.count;
  }
  return run;
}

std::vector<ClusterRun> Runs(const std::vector<uint32_t>& clusters) {
  std::vector<ClusterRun> runs;
  ForEachRun(clusters, SIZE_MAX, [&](ClusterRun run, size_t) {
    runs.push_back(run);
    return true;
  });
  return runs;
}

}  // namespace tarvonel::fs
