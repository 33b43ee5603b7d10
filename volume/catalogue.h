#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "volume/extents.h"

namespace tarvonel {

struct FindEntry;
class VolumeIo;
class JobEvents;
class WalkProgress;
struct JobFlags;
struct VolumeGeometry;
struct VolumeZones;

// What the optimize and compact passes work through; full paths, no "\\?\" prefix.
struct PlacementLists {
  std::vector<std::string> move_out_files;  // start in the front zone or the MFT zone
  std::vector<std::string> optimize_files;  // start beyond OptimizeAreaStart
  std::vector<std::string> dirs_to_move;    // directories with a first LCN above 0
  std::vector<std::string> prefetch_files;  // filled by the boot layout reader
};

// The walk's fragmented entries: index 0 and the last index stay empty, entries in between.
using FragmentedPaths = std::vector<std::string>;

// The catalogue walk over a directory tree, and the named-stream query.
class Catalogue {
 public:
  Catalogue(VolumeIo& io, JobEvents& events, ExtentReader& extents, JobFlags& flags,
            const VolumeGeometry& geometry, const VolumeZones& zones, const std::string& prefetchDir);

  // dirPath ends with a backslash. Walks every level below it; isTop resets the counts.
  void WalkDirectory(const std::string& dirPath, FragmentedPaths& fragmented, bool isTop);
  // One ExtentList per slot of a fresh walk's fragmented list (n + 2 records, the first and
  // the last empty); empty when the walk was stopped.
  std::vector<ExtentList> ReadFragmentedExtents(const std::string& dirPath, WalkProgress& progress);
  // Fills StreamNames with "path:name" for each named data stream; true when there is one.
  bool QueryStreams(const std::string& path);

  int32_t FileCount = 0;
  int32_t DirectoryCount = 0;
  int32_t FragmentedCount = 0;
  PlacementLists Lists;
  std::vector<std::string> StreamNames;

 private:
  struct Level;
  void BeginTopLevel(FragmentedPaths& fragmented);
  void ReleaseLists(FragmentedPaths& fragmented);
  void FinishDirectory(FragmentedPaths& fragmented);
  // Returns the subdirectory to descend into, or an empty text.
  std::string VisitEntry(const std::string& dirPath, const FindEntry& entry, FragmentedPaths& fragmented);
  std::string VisitDirectory(const std::string& path, FragmentedPaths& fragmented);
  void VisitFile(const std::string& path, FragmentedPaths& fragmented);
  void VisitStreams();
  void AddFragmented(const std::string& path, FragmentedPaths& fragmented);
  bool InPrefetchFolder(const std::string& path) const;
  bool InMftZone(int32_t lcn) const;

  VolumeIo& io_;
  JobEvents& events_;
  ExtentReader& extents_;
  JobFlags& flags_;
  const VolumeGeometry& geometry_;
  const VolumeZones& zones_;
  const std::string& prefetchDir_;
  std::vector<uint8_t> streamBuffer_;  // reused by every stream query
};

}  // namespace tarvonel
