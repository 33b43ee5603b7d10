#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "base/volume_zones.h"

namespace tarvonel {

class JobEvents;
class OsFacts;
class VolumeIo;
struct JobSettings;
struct VolumeGeometry;

// Nominal front-zone size in clusters: 10,000,000 sectors, twice that on the Windows volume.
int32_t NominalReserve(int32_t sectorsPerCluster, bool windowsVolume);

class VolumeConstants {
 public:
  VolumeConstants(VolumeIo& io, OsFacts& os, const JobSettings& settings, JobEvents& events, VolumeGeometry& geometry,
                  VolumeZones& zones);

  // Refreshes the cluster counts, EndReserved and OptimizeAreaStart for `drive` ("C:") and
  // raises the free-space warnings. Returns TotalClusters, or nothing when the free-space
  // query failed or the volume is too large: the zones then keep their previous values.
  std::optional<int32_t> ComputeVolumeConstants(const std::string& drive);

  // The six "Volume constants" lines of the debug log (written only with the log on).
  void AppendVolumeConstantsBlock();

 private:
  void RaiseFreeSpaceWarnings(int32_t total, int32_t free, int32_t nominalReserve);

  VolumeIo& io_;
  OsFacts& os_;
  const JobSettings& settings_;
  JobEvents& events_;
  VolumeGeometry& geometry_;
  VolumeZones& zones_;
};

}  // namespace tarvonel
