#include "filesystems/move_rules.h"

#include <algorithm>

#include "base/win32_errors.h"

namespace tarvonel::fs {

FatMovePlan PlanFatMove(const FatMoveRequest& r, const std::function<bool(int64_t lcn)>& used) {
  if (r.count <= 0 || r.vcn < 0 || r.targetLcn < 0 || r.targetLcn > r.totalClusters - r.count || r.root) {
    return {win32_error::kInvalidParameter, 0};
  }
  if (r.directory && r.vcn == 0) return {win32_error::kInvalidParameter, 0};
  const int64_t last = std::min(r.vcn + r.count, r.allocatedClusters);  // past the allocation nothing moves
  if (r.vcn >= last) return {};
  const int64_t clusters = last - r.vcn;
  for (int64_t lcn = r.targetLcn; lcn < r.targetLcn + clusters; ++lcn) {
    if (used(lcn)) return {win32_error::kInvalidParameter, 0};
  }
  return {win32_error::kSuccess, clusters};
}

}  // namespace tarvonel::fs
