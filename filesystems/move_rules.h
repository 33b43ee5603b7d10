#pragma once
#include <cstdint>
#include <functional>

namespace tarvonel::fs {

// A move request as the FAT driver's FSCTL_MOVE_FILE receives it, with what it knows of the file.
struct FatMoveRequest {
  int64_t vcn = 0;
  int64_t count = 0;
  int64_t targetLcn = 0;
  int64_t totalClusters = 0;      // of the volume
  int64_t allocatedClusters = 0;  // of the file
  bool directory = false;
  bool root = false;
};

// The driver's answer before anything moves: an error, or how many clusters from `vcn` move
// (0: the range lies past the allocation and nothing moves, with success).
struct FatMovePlan {
  uint32_t error = 0;
  int64_t clusters = 0;
};

// The FAT driver's checks: the range must lie on the volume; the root and a directory's first
// cluster (which "." and ".." name) never move; the range is clipped to the allocation; every
// target must be free before the move, as its exact-match allocation needs (87 otherwise).
FatMovePlan PlanFatMove(const FatMoveRequest& request, const std::function<bool(int64_t lcn)>& used);

}  // namespace tarvonel::fs
