#pragma once
#include <cstdint>
#include <string>

#include "platform/volume_io.h"

namespace tarvonel {

class JobEvents;
class SystemErrorText;
struct JobSettings;
struct VolumeGeometry;

// The one way the program changes a volume: a run of a file's clusters moved by the file
// system to free clusters, with what every per-file move step shares.
class ClusterMover {
 public:
  ClusterMover(VolumeIo& io, JobEvents& events, const JobSettings& settings, const VolumeGeometry& geometry,
               SystemErrorText& errorText);

  // P5 on the shared volume handle; the activity light is lit while it runs. 0 or the error.
  uint32_t MoveClusters(OsHandle* volumeHandle, OsHandle& file, int64_t startingVcn, int32_t clusterCount,
                        int64_t startingLcn);
  // The three-attempt open of P2 (attribute access first, no flags); an encrypted file, which
  // moves only through a handle with data access, starts at the second attempt.
  OpenResult OpenForMove(const std::string& path);
  // 0: move as is; 1 too short to align; 2 the check failed; 3 single-sector clusters;
  // 4 and above: move the target forward by code - 3 clusters, which makes the displacement
  // a multiple of 16 sectors.
  int32_t VssCheck(int32_t sourceLcn, int32_t targetLcn, int32_t clusterCount) const;

  // The debug-log lines every step writes with its own prefix (only with the log on).
  void LogCannotOpen(const std::string& prefix, const std::string& path, uint32_t error);
  void LogVssRefusal(const std::string& prefix, const std::string& path, int32_t code);
  void LogNoGap(const std::string& prefix, const std::string& path);
  void Log(const std::string& line);

  const VolumeGeometry& Geometry() const { return geometry_; }
  const JobSettings& Settings() const { return settings_; }
  std::string ErrorText(uint32_t error);

 private:
  VolumeIo& io_;
  JobEvents& events_;
  const JobSettings& settings_;
  const VolumeGeometry& geometry_;
  SystemErrorText& errorText_;
};

}  // namespace tarvonel
