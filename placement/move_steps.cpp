#include "placement/move_steps.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "base/job_flags.h"
#include "base/job_settings.h"
#include "base/numeric.h"
#include "base/volume_zones.h"
#include "volume/cluster_moves.h"
#include "volume/extents.h"
#include "volume/free_runs.h"
#include "volume/job_events.h"
#include "volume/volume_access.h"

namespace tarvonel {
namespace {

constexpr int32_t kPiecewiseThreshold = 12;
constexpr int32_t kFrontMftSkip = 16;  // MoveFileToFront leaves the MFT's first 16 clusters
const char* const kDefragPrefix = "DFR:can't move: ";
const char* const kPartialPrefix = "DFR:partial_mv: ";
const char* const kOutPrefix = "MVE:can't move: ";
const char* const kFrontPrefix = "PRF:can't move: ";
const char* const kCompactPrefix = "OPT:can't move: ";

int32_t Low(int64_t value) { return static_cast<int32_t>(value); }

FreeRun Largest(const FreeRunList& runs) {
  FreeRun largest;
  for (const FreeRun& run : runs) {
    if (run.Length > largest.Length) largest = run;  // the first one on ties
  }
  return largest;
}

int64_t LcnOf(const FreeRun& run) { return (static_cast<int64_t>(run.LcnHigh) << 32) | static_cast<uint32_t>(run.Lcn); }

}  // namespace

MoveSteps::MoveSteps(VolumeIo& io, JobEvents& events, JobFlags& flags, VolumeAccess& volume,
                     const VolumeZones& zones, ExtentReader& extents, ClusterMover& mover)
    : io_(io),
      events_(events),
      flags_(flags),
      volume_(volume),
      zones_(zones),
      extents_(extents),
      mover_(mover) {}

int32_t MoveSteps::MftHead(int32_t sectorsPerCluster) {
  // An unknown cluster size (no volume constants read yet) keeps the largest head.
  const int32_t clusterBytes = std::max(1, sectorsPerCluster) * 512;
  return clusterBytes < 16384 ? RoundHalfEven(16384.0 / clusterBytes) : 1;
}

template <typename Step>
int32_t MoveSteps::Trapped(Step step) {
  try {
    return step();
  } catch (const std::exception&) {
    return 0;  // the step's own trap: the pass goes on with the next file
  }
}

int32_t MoveSteps::DefragmentFile(const std::string& path) {
  return Trapped([&] { return Defragment(path, false, false); });
}

int32_t MoveSteps::PlaceMft(const std::string& path, bool optimizeMode) {
  return Trapped([&] { return Defragment(path, true, optimizeMode); });
}

MoveSteps::Attempt MoveSteps::TryRun(const std::string& prefix, const std::string& path, OsHandle& file,
                                     int32_t first, int64_t runLcn, int64_t vcn, int32_t count, int32_t& code,
                                     uint32_t& error) {
  int64_t target = runLcn;
  code = mover_.VssCheck(first, Low(runLcn), count);
  if (code >= 1 && code <= 3) {
    if (!mover_.Settings().DebugLog) return Attempt::Skipped;
    mover_.LogVssRefusal(prefix, path, code);
    return Attempt::Refused;
  }
  if (code >= 4) target += code - 3;
  error = mover_.MoveClusters(volume_.VolumeHandle(), file, vcn, count, target);
  return error == 0 ? Attempt::Moved : Attempt::Failed;
}

int32_t MoveSteps::Defragment(const std::string& path, bool mft, bool optimizeMode) {
  int32_t total = 0;
  FreeRunList runs = ReadFreeRuns(io_, volume_.VolumeHandle(), total);
  const ExtentList list = extents_.ReadExtents(path, false, false);
  const int32_t minimum = mft ? (optimizeMode ? 2 : 6) : 2;
  if (list.ExtentCount < minimum) return 0;
  OpenResult file = mover_.OpenForMove(path);
  if (!file.handle) {
    mover_.LogCannotOpen(kDefragPrefix, path, file.error);
    return -1;
  }
  const int32_t clusters = Low(list.Extents.back().NextVcn);
  const int32_t first = Low(list.Extents.front().Lcn);
  const int32_t head = mft ? MftHead(volume_.Geometry().SectorsPerCluster) : 0;
  const int32_t moving = clusters - head;
  // The MFT moves whole only into the front zone, from behind it; in defragment mode B = 0.
  const int32_t boundary = optimizeMode ? zones_.EndReserved : 0;
  uint32_t lastError = 0;
  int32_t code = 0;
  for (const FreeRun& run : runs) {
    if (run.Length < clusters) continue;
    if (mft && !(run.Lcn < boundary && first > boundary)) continue;
    const Attempt attempt = TryRun(kDefragPrefix, path, *file.handle, first, LcnOf(run), head, moving, code, lastError);
    if (attempt == Attempt::Moved || attempt == Attempt::Refused) return 0;
  }
  if (list.ExtentCount < kPiecewiseThreshold) {
    mover_.Log(std::string(kDefragPrefix) + path + ", prolly no gap" +
               (mft ? ", last dll_err:" + (mover_.Settings().DebugLog ? mover_.ErrorText(lastError) : std::string()) : ""));
    return 0;
  }

  // Piecewise consolidation into the largest free runs, re-read after every piece.
  mover_.Log(std::string(kPartialPrefix) + path + " extents: " + std::to_string(list.ExtentCount));
  int64_t vcn = head;
  FreeRun largest = Largest(runs);
  for (;;) {
    events_.YieldToUser();
    // No free run at all, or nothing left to move: asking for more would repeat forever or
    // reach past the file's end, which NTFS refuses.
    const int64_t left = clusters - vcn;
    if (largest.Length <= 0 || left <= 0) return 0;
    const auto length = static_cast<int32_t>(std::min<int64_t>(largest.Length, left));
    const uint32_t result = mover_.MoveClusters(volume_.VolumeHandle(), *file.handle, vcn, length, LcnOf(largest));
    if (result != 0 || flags_.StopRequested) return static_cast<int32_t>(result);
    mover_.Log(std::string(kPartialPrefix) + path + "-" + std::to_string(vcn) + "-" + std::to_string(length) +
               "-ret:" + std::to_string(result));
    vcn += length;
    runs = ReadFreeRuns(io_, volume_.VolumeHandle(), total);
    largest = Largest(runs);
  }
}

int32_t MoveSteps::MoveFileOut(const std::string& path) {
  return Trapped([&] {
    return MoveWhole(path, kOutPrefix, [](int32_t lcn, int32_t end) { return lcn > end; });
  });
}

int32_t MoveSteps::MoveFileToFront(const std::string& path) {
  return Trapped([&] {
    return MoveWhole(path, kFrontPrefix, [](int32_t lcn, int32_t end) { return lcn < end; });
  });
}

int32_t MoveSteps::MoveWhole(const std::string& path, const std::string& prefix,
                             bool (*qualifies)(int32_t lcn, int32_t end)) {
  int32_t total = 0;
  const FreeRunList runs = ReadFreeRuns(io_, volume_.VolumeHandle(), total);
  const ExtentList list = extents_.ReadExtents(path, false, false);
  OpenResult file = mover_.OpenForMove(path);
  if (!file.handle) {
    mover_.LogCannotOpen(prefix, path, file.error);
    return -1;
  }
  // Data inside its file record has no clusters to move.
  if (list.ExtentCount == 0) return 0;
  const int32_t clusters = Low(list.Extents.back().NextVcn);
  const int32_t first = Low(list.Extents.front().Lcn);
  const bool mft = prefix == kFrontPrefix && path == volume_.Geometry().DriveRoot.substr(0, 2) + "\\$MFT";
  const int32_t startVcn = mft ? kFrontMftSkip : 0;
  const int32_t moving = clusters - startVcn;
  if (moving <= 0) return 0;
  int32_t code = 0;
  uint32_t error = 0;
  for (const FreeRun& run : runs) {
    if (!qualifies(run.Lcn, zones_.EndReserved) || run.Length < clusters) continue;
    const Attempt attempt = TryRun(prefix, path, *file.handle, first, LcnOf(run), startVcn, moving, code, error);
    if (attempt == Attempt::Moved || attempt == Attempt::Refused) return 0;
  }
  mover_.LogNoGap(prefix, path);
  return 0;
}

int32_t MoveSteps::CompactFile(const std::string& path) {
  return Trapped([&] { return Compact(path); });
}

int32_t MoveSteps::Compact(const std::string& path) {
  int32_t total = 0;
  const FreeRunList runs = ReadFreeRuns(io_, volume_.VolumeHandle(), total);
  const ExtentList list = extents_.ReadExtents(path, false, false);
  OpenResult file = mover_.OpenForMove(path);
  if (!file.handle) {
    mover_.LogCannotOpen(kCompactPrefix, path, file.error);
    return -1;
  }
  if (list.ExtentCount == 0) return 0;
  const int32_t clusters = Low(list.Extents.back().NextVcn);
  const int32_t first = Low(list.Extents.front().Lcn);
  const int32_t end = zones_.EndReserved;
  int32_t lastCode = 0;
  for (const FreeRun& run : runs) {
    events_.YieldToUser();
    if (first < end) break;  // in the front zone: it stays
    if (run.Lcn > end && first > end) {
      if (first <= run.Lcn) break;  // no free place before the file is left
      if (run.Length >= clusters) {
        uint32_t error = 0;
        const Attempt attempt = TryRun(kCompactPrefix, path, *file.handle, first, LcnOf(run), 0, clusters, lastCode, error);
        if (attempt == Attempt::Moved || attempt == Attempt::Refused) return 0;
      }
    }
  }
  if (lastCode == 0) mover_.LogNoGap(kCompactPrefix, path);
  return 0;
}

}  // namespace tarvonel
