#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvonel::fat {

class Medium;

enum class FatType { Fat12, Fat16, Fat32 };

// A FAT volume's layout as its boot sector declares it. Offsets in bytes from the volume's start.
struct Layout {
  uint32_t bytesPerSector = 0;
  uint32_t sectorsPerCluster = 0;
  uint32_t numFats = 0;
  uint32_t rootEntries = 0;    // FAT12/16: entries of the fixed root directory
  uint32_t rootCluster = 0;    // FAT32: the root directory's first cluster
  uint64_t totalSectors = 0;
  uint64_t fatBytes = 0;       // one FAT copy
  uint64_t fatOffset = 0;      // the first FAT copy
  uint64_t rootOffset = 0;     // FAT12/16: the fixed root directory
  uint64_t dataOffset = 0;     // cluster 2
  uint32_t dataClusters = 0;   // clusters 2 .. dataClusters + 1
  FatType type = FatType::Fat12;
  bool dirty = false;          // the boot sector's dirty bit, or FAT32/16's clean bit clear in FAT[1]
  uint64_t ClusterBytes() const { return uint64_t{bytesPerSector} * sectorsPerCluster; }
};

// Sets the FAT entry of `cluster` in the bytes of a FAT copy (FAT12 entries share bytes with
// their neighbours; FAT32 keeps the entry's top four bits).
void PutFatEntry(std::vector<uint8_t>& fat, FatType type, uint32_t cluster, uint32_t value);

// An image that is no sound FAT volume: the message names the problem (and the file).
class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One entry of the directory tree, its name as the user sees it (the long name when there is one).
struct DirEntry {
  std::string name;             // UTF-8
  std::string path;             // below the root, backslash-separated, e.g. "dir\file.txt"
  uint8_t attributes = 0;
  uint32_t size = 0;            // bytes; 0 for directories
  uint32_t firstCluster = 0;    // 0: no clusters
  uint64_t entryOffset = 0;     // where its 32-byte short entry lies in the volume
  std::vector<uint32_t> chain;  // its clusters in file order
  std::vector<DirEntry> children;
  bool IsDirectory() const { return (attributes & 0x10) != 0; }
};

// A FAT12, FAT16 or FAT32 volume in an image file or device, read and checked when opened:
// a bad boot sector, cross-linked or looping chains, chains that do not match their files'
// sizes, or bad directory entries refuse the image with a message naming the problem.
class FatImage {
 public:
  // Reads the volume at `path` without holding it (for inspection).
  static std::unique_ptr<FatImage> Open(const std::string& path);
  // Reads the volume on a medium its caller holds.
  static std::unique_ptr<FatImage> Open(std::shared_ptr<const Medium> medium);

  const Layout& Geometry() const { return layout_; }
  // The FAT entry of `cluster` (first copy); end-of-chain values are at least EndOfChain().
  uint32_t Next(uint32_t cluster) const;
  uint32_t EndOfChain() const;
  // Keeps the FAT cache in step with an entry just written to the medium.
  void SetCachedNext(uint32_t cluster, uint32_t value);
  // The first FAT copy as cached, for writing entries back byte for byte.
  const std::vector<uint8_t>& CachedFatBytes() const;
  uint64_t ClusterOffset(uint32_t cluster) const {
    return layout_.dataOffset + (uint64_t{cluster} - 2) * layout_.ClusterBytes();
  }
  bool InUse(uint32_t cluster) const { return Next(cluster) != 0; }
  // The in-use state of clusters [startLcn, startLcn + count) as bits (LCN 0 is cluster 2;
  // bit k of byte j is startLcn + 8j + k); startLcn is a multiple of 8. Kept with the FAT cache,
  // so a bitmap read after every move costs a copy, not a walk of the FAT.
  void CopyUsedBits(int64_t startLcn, int64_t count, uint8_t* out) const;
  uint32_t UsedClusters() const { return usedClusters_; }
  const DirEntry& Root() const { return root_; }
  DirEntry& Root() { return root_; }
  // Clusters whose FAT entry marks them in use (not bad) that no chain holds: lost clusters,
  // which a check reclaims. They count as in use, as the Windows driver counts them.
  uint32_t LostClusters() const { return lostClusters_; }
  // Reads `length` bytes at `offset` of the volume; false when they lie beyond it.
  bool Read(uint64_t offset, void* buffer, size_t length);
  const std::vector<uint8_t>& BootSector() const { return bootSector_; }
  // The boot sector's volume label, empty for "NO NAME".
  std::string Label() const;

 private:
  explicit FatImage(std::shared_ptr<const Medium> medium);
  void RefuseOtherFileSystems();
  void ReadLayout();
  void ReadFat();
  void CheckCopiesAgree();
  std::vector<uint32_t> Chain(uint32_t first, const std::string& what);
  void ReadDirectory(DirEntry& directory, int depth);
  void ReadEntries(DirEntry& directory);  // its children, not theirs
  std::vector<uint8_t> DirectoryBytes(const DirEntry& directory);
  [[noreturn]] void Fail(const std::string& problem) const;

  void CountLostClusters();

  std::shared_ptr<const Medium> medium_;
  std::string path_;
  std::vector<uint8_t> bootSector_;
  Layout layout_;
  std::vector<uint8_t> fat_;
  std::vector<uint32_t> owner_;  // by cluster: 0 free, else 1 + the index of the chain that holds it
  uint32_t chains_ = 0;
  uint32_t lostClusters_ = 0;
  std::vector<uint8_t> usedBits_;  // by LCN, one bit each: the FAT entry is not 0
  uint32_t usedClusters_ = 0;
  void NoteUse(uint32_t cluster, bool used);
  DirEntry root_;
};

}  // namespace tarvonel::fat
