#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarvonel {

class ExtentReader;
class VolumeIo;

// A run of a file's clusters: VCNs [vcn, vcn + length) at LCNs [lcn, lcn + length).
struct ClusterRun {
  int64_t vcn = 0;
  int64_t lcn = 0;
  int64_t length = 0;
  bool operator==(const ClusterRun&) const = default;
};

// Where one file or folder lies on the volume.
struct FileLayout {
  std::string path;  // full path, "C:\GAMES\GAME.ISO"
  uint64_t size = 0;
  bool directory = false;
  bool readable = true;          // false: it has clusters, but its extents could not be read
  std::vector<ClusterRun> runs;  // in VCN order, holes left out; adjacent extents joined
  int64_t Clusters() const;
  // In pieces: more than one run.
  bool Fragmented() const { return runs.size() > 1; }
};

// The runs of an extent list, adjacent ones joined (a file system may report one run as two).
std::vector<ClusterRun> RunsOfExtents(const std::vector<struct Extent>& extents);

// Every file and folder below `root` ("C:\"), depth first, folders before their contents.
// `keepGoing` is asked before each folder is listed; the walk ends early when it says no.
std::vector<FileLayout> WalkFileLayouts(VolumeIo& io, ExtentReader& extents, const std::string& root,
                                        const std::function<bool()>& keepGoing = {});

// The layout of one file; `readable` false when it could not be opened or read.
FileLayout ReadFileLayout(ExtentReader& extents, const std::string& path, uint64_t size, bool directory);

}  // namespace tarvonel
