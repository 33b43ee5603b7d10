#include "placement/contiguous_file.h"

#include <algorithm>
#include <limits>

#include "volume/cluster_moves.h"
#include "volume/extents.h"

namespace tarvonel {
namespace {

enum class Holder : uint8_t { Free, Target, Other, Fixed };

// A move bigger than this is made in parts, so that a stop is seen and progress shown on a
// file of gigabytes; each part is a whole move of its own.
constexpr int64_t kMoveChunkClusters = 8192;

std::vector<Holder> HoldersOf(const std::vector<FileLayout>& layouts, size_t target, const std::vector<bool>& inUse) {
  std::vector<Holder> holders(inUse.size());
  for (size_t lcn = 0; lcn < inUse.size(); ++lcn) holders[lcn] = inUse[lcn] ? Holder::Fixed : Holder::Free;
  const auto total = static_cast<int64_t>(inUse.size());
  for (size_t i = 0; i < layouts.size(); ++i) {
    if (!layouts[i].readable) continue;  // what it holds is unknown: left where it is
    for (const ClusterRun& run : layouts[i].runs) {
      for (int64_t lcn = std::max<int64_t>(run.lcn, 0); lcn < std::min(run.lcn + run.length, total); ++lcn) {
        holders[static_cast<size_t>(lcn)] = i == target ? Holder::Target : Holder::Other;
      }
    }
  }
  return holders;
}

// The free runs outside [windowStart, windowEnd), where the clusters moved out may go.
std::vector<FreeSpan> FreeFreeSpansOutside(const std::vector<Holder>& holders, int64_t windowStart, int64_t windowEnd) {
  std::vector<FreeSpan> spans;
  const auto total = static_cast<int64_t>(holders.size());
  for (int64_t lcn = 0; lcn < total;) {
    if (lcn >= windowStart && lcn < windowEnd) {
      lcn = windowEnd;
      continue;
    }
    if (holders[static_cast<size_t>(lcn)] != Holder::Free) {
      ++lcn;
      continue;
    }
    const int64_t start = lcn;
    while (lcn < total && holders[static_cast<size_t>(lcn)] == Holder::Free && (lcn < windowStart || lcn >= windowEnd)) {
      ++lcn;
    }
    spans.push_back({start, lcn - start});
  }
  return spans;
}

// Places a piece of `length` clusters: in the smallest free span that holds it whole, so large
// spans stay for large pieces; failing that, split over the largest ones.
void PlacePiece(size_t owner, int64_t vcn, int64_t length, std::vector<FreeSpan>& spans, std::vector<RunMove>& moves) {
  while (length > 0) {
    FreeSpan* chosen = nullptr;
    for (FreeSpan& span : spans) {
      if (span.length >= length && (chosen == nullptr || span.length < chosen->length)) chosen = &span;
    }
    if (chosen == nullptr) {
      for (FreeSpan& span : spans) {
        if (span.length > 0 && (chosen == nullptr || span.length > chosen->length)) chosen = &span;
      }
    }
    if (chosen == nullptr) return;  // the plan counted the room first; cannot happen
    const int64_t part = std::min(length, chosen->length);
    moves.push_back({owner, vcn, chosen->lcn, part});
    chosen->lcn += part;
    chosen->length -= part;
    vcn += part;
    length -= part;
  }
}

}  // namespace

ContiguousPlan PlanContiguous(const std::vector<FileLayout>& layouts, size_t target, const std::vector<bool>& inUse,
                              TargetMoves targetMoves) {
  ContiguousPlan plan;
  const FileLayout& file = layouts.at(target);
  const int64_t n = file.Clusters();
  const auto total = static_cast<int64_t>(inUse.size());
  plan.clusters = n;
  if (!file.readable) {
    plan.problem = "its clusters could not be read";
    return plan;
  }
  if (file.runs.size() <= 1) {  // already in one piece, or empty
    plan.possible = true;
    plan.windowStart = file.runs.empty() ? 0 : file.runs.front().lcn;
    return plan;
  }
  if (n > total) {
    plan.problem = "it is larger than the volume";
    return plan;
  }
  const std::vector<Holder> holders = HoldersOf(layouts, target, inUse);
  int64_t totalFree = 0;
  for (Holder holder : holders) totalFree += holder == Holder::Free ? 1 : 0;

  // For a window starting at s, the file's clusters already in place are those of its runs whose
  // LCN - VCN is s.
  std::vector<std::pair<int64_t, int64_t>> inPlaceAt;  // (s, clusters)
  int64_t startLcn = -1;                                 // where VCN 0 lies
  for (const ClusterRun& run : file.runs) {
    inPlaceAt.emplace_back(run.lcn - run.vcn, run.length);
    if (run.vcn == 0) startLcn = run.lcn;
  }
  std::sort(inPlaceAt.begin(), inPlaceAt.end());

  int64_t free = 0, own = 0, fixed = 0;
  auto count = [&](int64_t lcn, int64_t sign) {
    switch (holders[static_cast<size_t>(lcn)]) {
      case Holder::Free: free += sign; break;
      case Holder::Target: own += sign; break;
      case Holder::Fixed: fixed += sign; break;
      case Holder::Other: break;
    }
  };
  for (int64_t lcn = 0; lcn < n; ++lcn) count(lcn, 1);
  int64_t bestCost = std::numeric_limits<int64_t>::max();
  int64_t least = std::numeric_limits<int64_t>::max();
  bool anyClearable = false;
  size_t next = 0;
  for (int64_t s = 0; s + n <= total; ++s) {
    if (s > 0) {
      count(s - 1, -1);
      count(s + n - 1, 1);
    }
    while (next < inPlaceAt.size() && inPlaceAt[next].first < s) ++next;
    int64_t inPlace = 0;
    for (size_t i = next; i < inPlaceAt.size() && inPlaceAt[i].first == s; ++i) inPlace += inPlaceAt[i].second;
    if (fixed > 0) continue;
    anyClearable = true;
    const int64_t others = n - free - own;
    const int64_t freeOutside = totalFree - free;
    // Every other file's cluster in the window and every cluster of the file not yet in place
    // must move at least once, whatever the tool; this plan moves each exactly once.
    const int64_t cost = others + n - inPlace;
    least = std::min(least, cost);
    // Unless its first cluster stays where it is, such a file moves whole, copied before its old
    // clusters are let go: then none of them may be in the window.
    const bool moveWhole = targetMoves == TargetMoves::StartOnlyWhole && s != startLcn;
    if (moveWhole && own > 0) continue;
    if (others > freeOutside) continue;  // no room outside the window for what must leave it
    // A window that the file alone fills, out of order, needs one free cluster elsewhere to turn.
    if (own > inPlace && free + others == 0 && freeOutside == 0) continue;
    if (cost < bestCost) {
      bestCost = cost;
      plan.windowStart = s;
      plan.movingIn = n - inPlace;
      plan.wholeFile = moveWhole;
    }
  }
  if (bestCost == std::numeric_limits<int64_t>::max()) {
    plan.problem = anyClearable ? "the volume has too little free space to clear a place for it"
                                : "no part of the volume of its size is free of clusters that cannot move";
    return plan;
  }
  plan.possible = true;
  plan.leastAnyTool = least;
  const int64_t windowEnd = plan.windowStart + n;
  std::vector<FreeSpan> spans = FreeFreeSpansOutside(holders, plan.windowStart, windowEnd);
  for (size_t i = 0; i < layouts.size(); ++i) {
    if (!layouts[i].readable) continue;
    for (const ClusterRun& run : layouts[i].runs) {
      if (i == target) continue;  // its own clusters find their places after the clearing
      const int64_t begin = std::max(run.lcn, plan.windowStart);
      const int64_t end = std::min(run.lcn + run.length, windowEnd);
      if (begin >= end) continue;
      PlacePiece(i, run.vcn + (begin - run.lcn), end - begin, spans, plan.clearing);
      plan.clearingClusters += end - begin;
    }
  }
  plan.spare = std::move(spans);
  return plan;
}

ContiguousMaker::ContiguousMaker(ClusterMover& mover, ExtentReader& extents, OsHandle* volumeHandle)
    : mover_(mover), extents_(extents), volumeHandle_(volumeHandle) {}

ContiguousOutcome ContiguousMaker::Carry(const std::vector<FileLayout>& layouts, size_t target,
                                         const ContiguousPlan& plan,
                                         const std::function<void(const ContiguousOutcome&)>& report,
                                         const std::function<bool()>& stop) {
  ContiguousOutcome outcome;
  for (const RunMove& move : plan.clearing) {
    if (!MoveRun(layouts[move.owner].path, move.vcn, move.lcn, move.length, outcome, report, stop, kMoveChunkClusters)) {
      return outcome;
    }
  }
  // The window now holds only the file's own clusters and free ones.
  const FileLayout& file = layouts[target];
  const FileLayout now = ReadFileLayout(extents_, file.path, file.size, file.directory);
  if (!now.readable || now.Clusters() != plan.clusters) {
    outcome.error = "cannot read where " + file.path + " lies now";
    return outcome;
  }
  const int64_t n = plan.clusters;
  const int64_t start = plan.windowStart;
  if (plan.wholeFile) {  // one call, never in parts: a part of its start would be refused
    MoveRun(file.path, 0, start, n, outcome, report, stop, std::numeric_limits<int32_t>::max());
    return outcome;
  }
  std::vector<int64_t> where(static_cast<size_t>(n));  // the LCN of each VCN
  std::vector<bool> slotFree(static_cast<size_t>(n), true);
  for (const ClusterRun& run : now.runs) {
    for (int64_t i = 0; i < run.length; ++i) {
      const int64_t lcn = run.lcn + i;
      where[static_cast<size_t>(run.vcn + i)] = lcn;
      if (lcn >= start && lcn < start + n) slotFree[static_cast<size_t>(lcn - start)] = false;
    }
  }
  // Where a stretch may step aside: free outside the window, and what the file leaves there.
  std::vector<FreeSpan> spare = plan.spare;
  auto moved = [&](int64_t vcn, int64_t length, int64_t lcn) {
    for (int64_t i = 0; i < length; ++i) {
      const int64_t old = where[static_cast<size_t>(vcn + i)];
      if (old >= start && old < start + n) {
        slotFree[static_cast<size_t>(old - start)] = true;
      } else if (!spare.empty() && spare.back().lcn + spare.back().length == old) {
        ++spare.back().length;
      } else {
        spare.push_back({old, 1});
      }
      where[static_cast<size_t>(vcn + i)] = lcn + i;
      if (lcn + i >= start && lcn + i < start + n) slotFree[static_cast<size_t>(lcn + i - start)] = false;
    }
  };
  // Each pass moves every stretch of the file whose places are free into them; a stretch moved
  // frees the places of others. A move's clusters are placed for good, so each moves once,
  // unless the window is full of the file's own clusters out of order: then one stretch steps
  // aside, outside the window, to let the rest turn.
  for (;;) {
    bool placed = false;
    bool misplaced = false;
    for (int64_t v = 0; v < n;) {
      if (where[static_cast<size_t>(v)] == start + v) {
        ++v;
        continue;
      }
      misplaced = true;
      if (!slotFree[static_cast<size_t>(v)]) {
        ++v;
        continue;
      }
      const int64_t from = where[static_cast<size_t>(v)];
      int64_t length = 1;
      while (v + length < n && where[static_cast<size_t>(v + length)] == from + length &&
             slotFree[static_cast<size_t>(v + length)]) {
        ++length;
      }
      if (!MoveRun(file.path, v, start + v, length, outcome, report, stop, kMoveChunkClusters)) return outcome;
      moved(v, length, start + v);
      placed = true;
      v += length;
    }
    if (!misplaced) return outcome;
    if (placed) continue;
    int64_t v = 0;
    while (where[static_cast<size_t>(v)] == start + v) ++v;
    FreeSpan* aside = nullptr;
    for (FreeSpan& span : spare) {
      if (span.length > 0 && (aside == nullptr || span.length > aside->length)) aside = &span;
    }
    if (aside == nullptr) {
      outcome.error = "no free cluster outside the file's new place to turn its clusters";
      return outcome;
    }
    const int64_t from = where[static_cast<size_t>(v)];
    int64_t length = 1;
    while (length < aside->length && v + length < n && where[static_cast<size_t>(v + length)] == from + length) ++length;
    if (!MoveRun(file.path, v, aside->lcn, length, outcome, report, stop, kMoveChunkClusters)) return outcome;
    moved(v, length, aside->lcn);
    aside->lcn += length;
    aside->length -= length;
  }
}

bool ContiguousMaker::MoveRun(const std::string& path, int64_t vcn, int64_t lcn, int64_t length,
                              ContiguousOutcome& outcome, const std::function<void(const ContiguousOutcome&)>& report,
                              const std::function<bool()>& stop, int64_t chunkClusters) {
  OpenResult opened = mover_.OpenForMove(path);
  if (!opened.handle) {
    outcome.error = "cannot open " + path + " to move it: " + mover_.ErrorText(opened.error);
    return false;
  }
  for (int64_t done = 0; done < length;) {
    if (stop && stop()) {
      outcome.stopped = true;
      return false;
    }
    const int64_t part = std::min(length - done, chunkClusters);
    const uint32_t error =
        mover_.MoveClusters(volumeHandle_, *opened.handle, vcn + done, static_cast<int32_t>(part), lcn + done);
    if (error != 0) {
      outcome.error = "moving " + std::to_string(part) + " clusters of " + path + " to LCN " +
                      std::to_string(lcn + done) + " failed: " + mover_.ErrorText(error);
      return false;
    }
    done += part;
    ++outcome.moves;
    outcome.clustersMoved += part;
    if (report) report(outcome);
  }
  return true;
}

}  // namespace tarvonel
