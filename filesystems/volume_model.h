#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvonel::fs {

class VolumeStorage;

enum class FatType { Fat12, Fat16, Fat32 };  // exFAT's entries are FAT32's width, without its reserved bits

// A FAT or exFAT volume's layout as its boot sector declares it. Offsets in bytes from the volume's start.
struct Layout {
  uint32_t bytesPerSector = 0;
  uint32_t sectorsPerCluster = 0;
  uint32_t numFats = 0;
  uint32_t rootEntries = 0;    // FAT12/16: entries of the fixed root directory
  uint32_t rootCluster = 0;    // FAT32, exFAT: the root directory's first cluster
  uint64_t totalSectors = 0;
  uint64_t fatBytes = 0;       // one FAT copy
  uint64_t fatOffset = 0;      // the first FAT copy
  uint64_t rootOffset = 0;     // FAT12/16: the fixed root directory
  uint64_t dataOffset = 0;     // cluster 2 (exFAT: the cluster heap)
  uint32_t dataClusters = 0;   // clusters 2 .. dataClusters + 1
  FatType type = FatType::Fat12;  // FAT12/16/32 only
  bool dirty = false;          // the boot sector's dirty bit, or FAT32/16's clean bit clear in FAT[1]
                               // (exFAT: VolumeDirty)
  uint64_t ClusterBytes() const { return uint64_t{bytesPerSector} * sectorsPerCluster; }
};

// A medium that holds no sound FAT or exFAT volume, or cannot be read or written: the message
// names the problem and the medium.
class VolumeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One entry of the directory tree, its name as the user sees it (the long name when there is one).
struct DirEntry {
  std::string name;             // UTF-8
  std::string path;             // below the root, backslash-separated, e.g. "dir\file.txt"
  uint8_t attributes = 0;
  uint64_t size = 0;            // bytes; 0 for directories (exFAT: the stream's DataLength for both)
  uint32_t firstCluster = 0;    // 0: no clusters
  uint64_t entryOffset = 0;     // where its 32-byte short entry (exFAT: its file entry) lies in the volume
  std::vector<uint32_t> chain;  // its clusters in file order
  std::vector<DirEntry> children;
  // exFAT: where each entry of its set lies (file, stream extension, names: they may lie in
  // clusters apart), and whether its clusters are one run the FAT does not chain.
  std::vector<uint64_t> setOffsets;
  bool noFatChain = false;
  bool IsDirectory() const { return (attributes & 0x10) != 0; }
};

// How much a batch may hold before it is committed: a cut loses at most this much work.
struct BatchLimits {
  size_t moves = 256;
  uint64_t bytes = 32 * 1024 * 1024;
};

// Moves ranges of files' clusters as the Windows driver's move-file does, in batches that share
// their write barriers; what the volume answers shows each move at once, the medium has it
// when its batch is committed.
class BatchMover {
 public:
  virtual ~BatchMover() = default;
  // 0, or the Win32 error of the move (87 for what the driver refuses; 29 / 30 when a commit
  // could not write or read, and then the move was not made).
  virtual uint32_t Move(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) = 0;
  // 0, or the error of the step that failed: the volume is then as its last completed step
  // left it (every file whole).
  virtual uint32_t Commit() = 0;
  virtual size_t PendingMoves() const = 0;
  // Clusters the batch frees: they read as in use until it is committed.
  virtual size_t HeldClusters() const = 0;
  // Files whose start could not move because the entry that points at it cannot be changed
  // safely (exFAT: a set across a sector boundary).
  virtual size_t FilesKeptAtTheirStart() const { return 0; }
};

// A volume of the FAT family read from its medium and checked: its layout, its directory tree
// with each file's clusters, which clusters are in use, and how to move them.
class VolumeModel {
 public:
  virtual ~VolumeModel() = default;
  virtual const Layout& Geometry() const = 0;
  virtual DirEntry& Root() = 0;
  // The in-use state of clusters [startLcn, startLcn + count) as bits (LCN 0 is cluster 2;
  // bit k of byte j is startLcn + 8j + k); startLcn is a multiple of 8.
  virtual void CopyUsedBits(int64_t startLcn, int64_t count, uint8_t* out) const = 0;
  virtual uint32_t UsedClusters() const = 0;
  // Clusters in use that no file holds: left by an interrupted move or an unclean removal.
  virtual uint32_t LostClusters() const = 0;
  virtual std::string Label() const = 0;
  // As Windows names it: "FAT", "FAT32", "exFAT".
  virtual std::string FileSystemName() const = 0;
  // What a check repairs this volume with, for messages: "fsck.fat -a".
  virtual std::string RepairCommand() const = 0;
  // What frees lost clusters, for messages: "fsck.fat -a reclaims them".
  virtual std::string LostClustersRemedy() const = 0;
  virtual std::unique_ptr<BatchMover> MakeMover(VolumeStorage& storage) = 0;
  // Whether the entry that points at the file's first cluster can be changed safely in place;
  // when not, the file's start moves only with the whole file in one move.
  virtual bool StartCanMove(const DirEntry&) const { return true; }
  uint64_t ClusterOffset(uint32_t cluster) const {
    return Geometry().dataOffset + (uint64_t{cluster} - 2) * Geometry().ClusterBytes();
  }
  // Where byte `byte` of the file's clusters, in file order, lies on the volume.
  uint64_t OffsetIn(const DirEntry& file, uint64_t byte) const {
    const uint64_t clusterBytes = Geometry().ClusterBytes();
    return ClusterOffset(file.chain[static_cast<size_t>(byte / clusterBytes)]) + byte % clusterBytes;
  }
};

}  // namespace tarvonel::fs
