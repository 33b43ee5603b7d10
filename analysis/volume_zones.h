#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace tarvonel {

class DebugLog;
class Platform;
struct JobSettings;
struct VolumeGeometry;

// The zones of the LCN axis, recomputed at every map refresh.
struct VolumeZones {
  int32_t EndReserved = 0;        // first LCN after the reserved front area (clusters)
  int32_t OptimizeAreaStart = 0;  // files starting above this LCN are optimize candidates
};

// Nominal front-zone size in clusters: 10,000,000 sectors, twice that on the Windows volume.
int32_t NominalReserve(int32_t sectorsPerCluster, bool windowsVolume);

// Half-to-even rounding to a 32-bit integer; the value must lie in its range.
int32_t RoundHalfEven(double value);

class VolumeConstants {
 public:
  VolumeConstants(Platform& platform, const JobSettings& settings, DebugLog& debugLog, VolumeGeometry& geometry,
                  VolumeZones& zones);

  // Refreshes the cluster counts, EndReserved and OptimizeAreaStart for `drive` ("C:") and
  // raises the free-space warnings. Returns TotalClusters, or nothing when the free-space
  // query failed or the volume is too large: the zones then keep their previous values.
  std::optional<int32_t> ComputeVolumeConstants(const std::string& drive);

  // The six "Volume constants" lines of the debug log (written only with the log on).
  void AppendVolumeConstantsBlock();

 private:
  void RaiseFreeSpaceWarnings(int32_t total, int32_t free, int32_t nominalReserve);

  Platform& platform_;
  const JobSettings& settings_;
  DebugLog& debugLog_;
  VolumeGeometry& geometry_;
  VolumeZones& zones_;
};

}  // namespace tarvonel
