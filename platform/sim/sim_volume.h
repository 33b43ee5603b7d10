#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/fs_driver/volume_records.h"
#include "platform/sim/sim_bitmap.h"

namespace tarvonel {

// -1 as the LCN: a hole or the virtual tail of a compression unit.
using SimRun = fs_driver::LcnRun;

// A data stream: the unnamed one of a file (name ""), a named one, or a directory's index.
struct SimStream {
  std::string name;
  std::vector<SimRun> runs;  // in VCN order; no runs: resident or empty
  std::vector<uint8_t> content;
  int64_t AllocatedClusters() const;
};

enum class SimEntryKind { File, Directory, Junction, SymbolicLink };
enum class SimLock { None, Exclusive, PagingFile };

struct SimEntry {
  std::string name;
  SimEntryKind kind = SimEntryKind::File;
  uint32_t extraAttributes = 0;  // hidden, system, compressed, sparse, ... as declared
  SimLock lock = SimLock::None;
  bool metadata = false;  // an NTFS metadata file: opened by name, never listed
  std::string target;     // of a junction or symbolic link: a full path "C:\..."
  std::vector<SimStream> streams;  // [0] is the unnamed data (or the directory index)
  std::vector<std::unique_ptr<SimEntry>> children;
  std::unordered_map<std::string, SimEntry*> childByFoldedName;
  SimEntry* parent = nullptr;

  bool IsDirectoryLike() const { return kind != SimEntryKind::File; }
  uint32_t Attributes() const;
  SimEntry& AddChild(std::unique_ptr<SimEntry> child);
  SimEntry* Child(const std::string& name) const;
  std::string PathBelowRoot() const;  // "dir\file", empty for the root
};

// Names compare as Windows compares them: ASCII letters without case.
std::string FoldName(const std::string& name);

// Who holds a run of clusters: an entry's stream from a VCN, or metadata no entry lists.
struct SimClaim {
  const SimEntry* entry = nullptr;  // nullptr: volume metadata
  size_t stream = 0;
  int64_t vcn = 0;
  int64_t length = 0;
};

// A simulated volume: geometry, entries with their runs, the bitmap derived from them, and
// which entry's data every used cluster holds.
class SimVolume {
 public:
  SimVolume(std::string fileSystem, uint32_t bytesPerSector, uint32_t sectorsPerCluster, int64_t totalClusters);

  const std::string& FileSystem() const { return fileSystem_; }
  bool IsNtfs() const { return fileSystem_ == "NTFS"; }
  uint32_t BytesPerSector() const { return bytesPerSector_; }
  uint32_t SectorsPerCluster() const { return sectorsPerCluster_; }
  int64_t TotalClusters() const { return bitmap_.Clusters(); }
  int64_t FreeClusters() const { return bitmap_.Clusters() - bitmap_.UsedCount(); }
  const SimBitmap& Bitmap() const { return bitmap_; }

  std::string label;
  int64_t mftZoneStart = 0;
  int64_t mftZoneEnd = 0;
  uint32_t bitmapRounding = 8;  // StartingLcn granularity of bitmap reads
  std::vector<uint8_t> bootSector;
  SimEntry& Root() { return root_; }
  const SimEntry& Root() const { return root_; }

  // Claims clusters for a stream or for metadata (entry nullptr). Throws MachineError naming
  // the entry when a run leaves the volume or a cluster is claimed twice.
  void Claim(const SimEntry* entry, size_t stream, int64_t vcn, int64_t lcn, int64_t length);
  // Claims every run of every stream below `entry`.
  void ClaimTree(const SimEntry& entry);
  // The clusters held by volume metadata rather than an entry, in LCN order.
  std::vector<SimRun> MetadataRuns() const;
  // The used ranges in LCN order, touching claims merged.
  std::vector<SimRun> UsedRanges() const;
  // The holder of `lcn`, or nullptr for a free cluster.
  const SimClaim* OwnerOf(int64_t lcn) const;

  // FSCTL_MOVE_FILE on this volume: moves VCNs [vcn, vcn + count) of the stream to free
  // clusters from targetLcn, as the file system does (see the .cpp); returns a Win32 error.
  uint32_t MoveClusters(SimEntry& entry, size_t stream, int64_t vcn, int64_t count, int64_t targetLcn);
  // Checks that every used cluster has exactly one holder, that every stream's VCN-to-LCN map
  // agrees with the holders, and that the bitmap is the union of what is held. Returns the
  // first disagreement, empty when all hold.
  std::string VerifyInvariants() const;

  // Follows "dir\sub\file" from the root; nullptr when a part is missing. `missingParent`
  // tells a missing directory (path not found) from a missing last part (file not found).
  SimEntry* Find(const std::string& pathBelowRoot, bool& missingParent);

 private:
  std::string fileSystem_;
  uint32_t bytesPerSector_;
  uint32_t sectorsPerCluster_;
  SimBitmap bitmap_;
  SimEntry root_;
  void Release(int64_t lcn, int64_t length);
  std::string VerifyTree(const SimEntry& entry, int64_t& realClusters) const;
  std::map<int64_t, SimClaim> claims_;  // by first LCN
};

}  // namespace tarvonel
