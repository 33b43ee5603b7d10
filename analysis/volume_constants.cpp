#include "analysis/volume_constants.h"

#include "base/debug_log.h"
#include "base/job_settings.h"
#include "base/numeric.h"
#include "platform/os_facts.h"
#include "platform/volume_io.h"
#include "volume/job_events.h"
#include "volume/volume_access.h"

namespace tarvonel {
namespace {

constexpr double kReserveSectors = 10'000'000.0;
constexpr double kFreeSpaceWarningPercent = 15;

std::string Line(const std::string& text) { return text + std::string(kCrLf); }

}  // namespace

int32_t NominalReserve(int32_t sectorsPerCluster, bool windowsVolume) {
  return RoundHalfEven((windowsVolume ? 2 * kReserveSectors : kReserveSectors) / sectorsPerCluster);
}

VolumeConstants::VolumeConstants(VolumeIo& io, OsFacts& os, const JobSettings& settings, JobEvents& events,
                                 VolumeGeometry& geometry, VolumeZones& zones)
    : io_(io), os_(os), settings_(settings), events_(events), geometry_(geometry), zones_(zones) {}

std::optional<int32_t> VolumeConstants::ComputeVolumeConstants(const std::string& drive) {
  const DiskFreeSpace space = io_.QueryDiskFreeSpace(drive + "\\");
  // Without a cluster size there is no zone to compute; a volume beyond 2^31 clusters is
  // outside the engine's cluster numbers. Either way the previous zones stay.
  if (space.error != 0 || space.sectorsPerCluster == 0) return std::nullopt;
  if (space.totalClusters > static_cast<uint32_t>(kMaxVolumeClusters) || space.freeClusters > space.totalClusters) {
    return std::nullopt;
  }
  const auto spc = static_cast<int32_t>(space.sectorsPerCluster);
  const auto free = static_cast<int32_t>(space.freeClusters);
  const auto total = static_cast<int32_t>(space.totalClusters);

  const std::string windowsDirectory = os_.WindowsDirectory();
  const bool windowsVolume = windowsDirectory.compare(0, 2, drive) == 0 && drive.size() == 2;
  const int32_t nominal = NominalReserve(spc, windowsVolume);
  zones_.EndReserved = nominal;
  if (zones_.EndReserved > free) zones_.EndReserved = RoundHalfEven((free / 3.0) * 2);

  geometry_.TotalClusters = total;
  geometry_.SectorsPerCluster = spc;
  geometry_.FreeClusters = free;
  const int32_t used = total - free;
  zones_.OptimizeAreaStart = RoundHalfEven((used / 4.0) * 2);

  RaiseFreeSpaceWarnings(total, free, nominal);
  return geometry_.TotalClusters;
}

void VolumeConstants::RaiseFreeSpaceWarnings(int32_t total, int32_t free, int32_t nominalReserve) {
  if (!settings_.DebugLog) return;
  // An empty volume has no percentage to speak of.
  if (total > 0) {
    const int32_t percent = RoundHalfEven(free / (total / 100.0));
    if (percent < kFreeSpaceWarningPercent) {
      events_.Log(Line("Warning, free space low!: " + std::to_string(percent)));
    }
  }
  if (zones_.EndReserved < nominalReserve) {
    events_.Log(Line("Warning, sys space low!: " + std::to_string(zones_.EndReserved)));
  }
}

void VolumeConstants::AppendVolumeConstantsBlock() {
  if (!settings_.DebugLog) return;
  events_.Log(Line("Volume constants for drive: " + geometry_.DriveRoot.substr(0, 2)));
  events_.Log(Line("total clusters: " + std::to_string(geometry_.TotalClusters)));
  events_.Log(Line("free clusters : " + std::to_string(geometry_.FreeClusters)));
  events_.Log(
      Line("mftreserved  : " + std::to_string(geometry_.MftZoneStart) + "-" + std::to_string(geometry_.MftZoneEnd)));
  events_.Log(Line("end reserved  : " + std::to_string(zones_.EndReserved)));
  events_.Log(Line("optimize area : " + std::to_string(zones_.OptimizeAreaStart)));
}

}  // namespace tarvonel
