#include "volume/cluster_moves.h"

#include <cmath>
#include <cstdlib>

#include "base/debug_log.h"
#include "base/job_settings.h"
#include "platform/system_error_text.h"
#include "base/win32_errors.h"
#include "volume/file_open.h"
#include "volume/job_events.h"
#include "volume/volume_access.h"

namespace tarvonel {
namespace {

constexpr int32_t kAlignedSectors = 16;  // shadow copies keep their cost low for 16-sector steps

}  // namespace

ClusterMover::ClusterMover(VolumeIo& io, JobEvents& events, const JobSettings& settings,
                           const VolumeGeometry& geometry, SystemErrorText& errorText)
    : io_(io),
      events_(events),
      settings_(settings),
      geometry_(geometry),
      errorText_(errorText) {}

uint32_t ClusterMover::MoveClusters(OsHandle* volumeHandle, OsHandle& file, int64_t startingVcn,
                                    int32_t clusterCount, int64_t startingLcn) {
  events_.SetActivityLight(true);
  events_.YieldToUser();
  const uint32_t result =
      volumeHandle == nullptr || clusterCount < 0
          ? win32_error::kInvalidHandle
          : io_.MoveFileClusters(*volumeHandle, file, startingVcn, startingLcn, static_cast<uint32_t>(clusterCount));
  events_.SetActivityLight(false);
  events_.YieldToUser();
  return result;
}

OpenResult ClusterMover::OpenForMove(const std::string& path) {
  return OpenFileThreeWays(io_, path, FirstOpen::ForMove);
}

int32_t ClusterMover::VssCheck(int32_t sourceLcn, int32_t targetLcn, int32_t clusterCount) const {
  const int32_t spc = geometry_.SectorsPerCluster;
  if (!settings_.VssSafe || spc > 8) return 0;
  if (spc < 2) return 3;
  const double granule = static_cast<double>(kAlignedSectors) / spc;
  if (granule * clusterCount <= kAlignedSectors) return 1;
  int32_t displacement = 0;
  if (__builtin_sub_overflow(targetLcn, sourceLcn, &displacement)) return 2;
  const auto g = static_cast<int32_t>(std::nearbyint(granule));
  if (g <= 0) return 2;
  const int32_t remainder = displacement % g;  // the sign of the displacement, as VB's Mod
  if (remainder == 0) return 0;
  if (displacement > 0) {
    // With 4- and 8-sector clusters the cluster count is a multiple of the granule and the
    // shift SectorsPerCluster - remainder aligns; with 2-sector clusters (granule 8) only
    // granule - remainder does, and it stays above 0, so the code never falls into 1 to 3.
    const int32_t shift = spc % g == 0 ? spc - remainder : g - remainder;
    return shift + 3;
  }
  return std::abs(remainder) + 3;
}

std::string ClusterMover::ErrorText(uint32_t error) { return errorText_.GetSystemErrorMessageText(error); }

void ClusterMover::Log(const std::string& line) {
  if (settings_.DebugLog) events_.Log(line + std::string(kCrLf));
}

void ClusterMover::LogCannotOpen(const std::string& prefix, const std::string& path, uint32_t error) {
  if (settings_.DebugLog) Log(prefix + path + ", last dll_err:" + ErrorText(error));
}

void ClusterMover::LogVssRefusal(const std::string& prefix, const std::string& path, int32_t code) {
  Log(prefix + path + " - vss_safe: " + std::to_string(code));
}

void ClusterMover::LogNoGap(const std::string& prefix, const std::string& path) { Log(prefix + path + ", prolly no gap"); }

}  // namespace tarvonel
