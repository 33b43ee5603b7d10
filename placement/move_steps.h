#pragma once
#include <cstdint>
#include <string>

namespace tarvonel {

class ClusterMover;
class OsHandle;
class ExtentReader;
class VolumeIo;
class JobEvents;
class VolumeAccess;
struct JobFlags;
struct VolumeZones;

// The per-file move steps of the passes. Each takes a full path and returns 0 (moved, nothing
// to do, or no room), -1 (could not be opened) or the error of the last failed move; each runs
// under its own trap, so a fault in one file never reaches the pass.
class MoveSteps {
 public:
  MoveSteps(VolumeIo& io, JobEvents& events, JobFlags& flags, VolumeAccess& volume, const VolumeZones& zones,
            ExtentReader& extents, ClusterMover& mover);

  int32_t DefragmentFile(const std::string& path);
  int32_t PlaceMft(const std::string& path, bool optimizeMode);
  int32_t MoveFileOut(const std::string& path);
  int32_t MoveFileToFront(const std::string& path);
  int32_t CompactFile(const std::string& path);

  // The MFT's first clusters that never move: its first 16384 bytes in 512-byte sectors.
  static int32_t MftHead(int32_t sectorsPerCluster);

 private:
  enum class Attempt { Moved, Failed, Skipped, Refused };
  // One candidate run: the vss-safe check, then the move of `count` clusters from `vcn`. A
  // refusal with the log on is logged and ends the step; with the log off the next run is tried.
  Attempt TryRun(const std::string& prefix, const std::string& path, OsHandle& file, int32_t first, int64_t runLcn,
                 int64_t vcn, int32_t count, int32_t& code, uint32_t& error);
  int32_t Defragment(const std::string& path, bool mft, bool optimizeMode);
  int32_t MoveWhole(const std::string& path, const std::string& prefix, bool (*qualifies)(int32_t lcn, int32_t end));
  int32_t Compact(const std::string& path);
  template <typename Step>
  int32_t Trapped(Step step);

  VolumeIo& io_;
  JobEvents& events_;
  JobFlags& flags_;
  VolumeAccess& volume_;
  const VolumeZones& zones_;
  ExtentReader& extents_;
  ClusterMover& mover_;
};

}  // namespace tarvonel
