// Cluster moves on a simulated volume, with the checks and results of the Windows drivers.
#include <algorithm>

#include "filesystems/move_rules.h"
#include "platform/sim/sim_volume.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

constexpr int64_t kCompressionUnit = 16;  // clusters; NTFS moves compressed and sparse data by units
constexpr int64_t kMftFixedBytes = 16 * 1024;  // the first 16 file records cannot be moved

struct Segment {
  int64_t vcn;
  int64_t lcn;  // -1: a hole
  int64_t length;
};

// Touching runs of one stream read back as one extent, as NTFS reports them.
void MergeRuns(std::vector<SimRun>& runs) {
  std::vector<SimRun> merged;
  for (const SimRun& run : runs) {
    if (!merged.empty()) {
      SimRun& last = merged.back();
      const bool bothHoles = last.lcn == -1 && run.lcn == -1;
      const bool contiguous = last.lcn != -1 && run.lcn == last.lcn + last.length;
      if (bothHoles || contiguous) {
        last.length += run.length;
        continue;
      }
    }
    merged.push_back(run);
  }
  runs.swap(merged);
}

}  // namespace

void SimVolume::Release(int64_t lcn, int64_t length) {
  const int64_t end = lcn + length;
  auto it = claims_.upper_bound(lcn);
  if (it != claims_.begin()) --it;
  while (it != claims_.end() && it->first < end) {
    const int64_t start = it->first;
    const SimClaim claim = it->second;
    const int64_t claimEnd = start + claim.length;
    if (claimEnd <= lcn) {
      ++it;
      continue;
    }
    it = claims_.erase(it);
    if (start < lcn) claims_.emplace(start, SimClaim{claim.entry, claim.stream, claim.vcn, lcn - start});
    if (claimEnd > end) {
      claims_.emplace(end, SimClaim{claim.entry, claim.stream, claim.vcn + (end - start), claimEnd - end});
      break;
    }
  }
  bitmap_.Set(lcn, length, false);
}

uint32_t SimVolume::MoveClusters(SimEntry& entry, size_t streamIndex, int64_t vcn, int64_t count, int64_t targetLcn) {
  const bool ntfs = IsNtfs();
  SimStream& stream = entry.streams[streamIndex];
  const int64_t allocated = stream.AllocatedClusters();
  int64_t first = vcn;
  int64_t last = vcn + count;
  if (!ntfs) {
    const fs::FatMovePlan plan =
        fs::PlanFatMove({vcn, count, targetLcn, TotalClusters(), allocated, entry.IsDirectoryLike(), &entry == &root_},
                               [this](int64_t lcn) { return bitmap_.Used(lcn); });
    if (plan.error != 0 || plan.clusters == 0) return plan.error;
    last = vcn + plan.clusters;
  } else {
    if (count <= 0 || vcn < 0 || targetLcn < 0 || targetLcn > TotalClusters() - count) {
      return win32_error::kInvalidParameter;
    }
    const int64_t clusterBytes = int64_t{BytesPerSector()} * SectorsPerCluster();
    if (entry.metadata && entry.name == "$MFT" && vcn * clusterBytes < kMftFixedBytes) {
      return win32_error::kAccessDenied;
    }
    if (entry.extraAttributes & (win32::kAttributeCompressed | win32::kAttributeSparse)) {
      first -= first % kCompressionUnit;
      last = std::min(allocated, (last + kCompressionUnit - 1) / kCompressionUnit * kCompressionUnit);
    }
    if (last > allocated) return win32_error::kInvalidParameter;
    if (first >= last) return win32_error::kSuccess;
  }

  std::vector<Segment> moved;
  int64_t runVcn = 0;
  int64_t real = 0;
  for (const SimRun& run : stream.runs) {
    const int64_t from = std::max(first, runVcn);
    const int64_t to = std::min(last, runVcn + run.length);
    if (from < to) {
      moved.push_back({from, run.lcn == -1 ? -1 : run.lcn + (from - runVcn), to - from});
      if (run.lcn != -1) real += to - from;
    }
    runVcn += run.length;
  }
  if (real == 0) return win32_error::kSuccess;
  if (ntfs) {  // FAT's plan checked its targets already
    if (targetLcn > TotalClusters() - real) return win32_error::kInvalidParameter;
    for (int64_t lcn = targetLcn; lcn < targetLcn + real; ++lcn) {
      if (bitmap_.Used(lcn)) return win32_error::kAccessDenied;  // STATUS_ALREADY_COMMITTED
    }
  }

  // Old places are freed and the data lands, segment after segment, from the target on.
  // Rebuild in VCN order: runs before `first`, the moved segments, runs after `last`.
  std::vector<SimRun> rebuilt;
  std::vector<SimRun> after;
  runVcn = 0;
  for (const SimRun& run : stream.runs) {
    const int64_t runEnd = runVcn + run.length;
    if (runEnd <= first) {
      rebuilt.push_back(run);
    } else if (runVcn >= last) {
      after.push_back(run);
    } else {
      if (runVcn < first) rebuilt.push_back({run.lcn, first - runVcn});
      if (runEnd > last) after.push_back({run.lcn == -1 ? -1 : run.lcn + (last - runVcn), runEnd - last});
    }
    runVcn = runEnd;
  }
  int64_t target = targetLcn;
  for (const Segment& segment : moved) {
    if (segment.lcn == -1) {
      rebuilt.push_back({-1, segment.length});
      continue;
    }
    Release(segment.lcn, segment.length);
    rebuilt.push_back({target, segment.length});
    target += segment.length;
  }
  rebuilt.insert(rebuilt.end(), after.begin(), after.end());
  target = targetLcn;
  for (const Segment& segment : moved) {
    if (segment.lcn == -1) continue;
    Claim(&entry, streamIndex, segment.vcn, target, segment.length);
    target += segment.length;
  }
  MergeRuns(rebuilt);
  stream.runs.swap(rebuilt);
  return win32_error::kSuccess;
}

std::string SimVolume::VerifyTree(const SimEntry& entry, int64_t& realClusters) const {
  for (size_t s = 0; s < entry.streams.size(); ++s) {
    int64_t vcn = 0;
    for (const SimRun& run : entry.streams[s].runs) {
      if (run.lcn != -1) {
        realClusters += run.length;
        // The holders of the run's clusters must be this stream at the matching VCNs.
        for (int64_t lcn = run.lcn; lcn < run.lcn + run.length;) {
          auto it = claims_.upper_bound(lcn);
          if (it == claims_.begin()) return "cluster " + std::to_string(lcn) + " of \"" + entry.PathBelowRoot() + "\" is held by nobody";
          --it;
          const SimClaim& claim = it->second;
          if (lcn >= it->first + claim.length) {
            return "cluster " + std::to_string(lcn) + " of \"" + entry.PathBelowRoot() + "\" is held by nobody";
          }
          if (claim.entry != &entry || claim.stream != s || claim.vcn - it->first != vcn - run.lcn) {
            return "cluster " + std::to_string(lcn) + " of \"" + entry.PathBelowRoot() + "\" holds other data";
          }
          lcn = it->first + claim.length;
        }
      }
      vcn += run.length;
    }
  }
  for (const auto& child : entry.children) {
    std::string problem = VerifyTree(*child, realClusters);
    if (!problem.empty()) return problem;
  }
  return {};
}

std::string SimVolume::VerifyInvariants() const {
  int64_t realClusters = 0;
  std::string problem = VerifyTree(root_, realClusters);
  if (!problem.empty()) return problem;
  int64_t held = 0;
  int64_t metadata = 0;
  int64_t previousEnd = -1;
  for (const auto& [lcn, claim] : claims_) {
    if (lcn < previousEnd) return "clusters from " + std::to_string(lcn) + " are held twice";
    previousEnd = lcn + claim.length;
    held += claim.length;
    if (claim.entry == nullptr) metadata += claim.length;
    for (int64_t c = lcn; c < lcn + claim.length; ++c) {
      if (!bitmap_.Used(c)) return "held cluster " + std::to_string(c) + " reads as free";
    }
  }
  if (held != metadata + realClusters) return "clusters are held that no stream maps";
  if (held != bitmap_.UsedCount()) return "the bitmap shows used clusters that nobody holds";
  return {};
}

}  // namespace tarvonel
