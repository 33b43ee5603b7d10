#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filesystems/volume_model.h"

namespace tarvonel::fs {
class SectorSource;
}

namespace tarvonel::fat {

class FatCodec;
using fs::BatchLimits;
using fs::BatchMover;
using fs::DirEntry;
using fs::FatType;
using fs::Layout;
using fs::VolumeError;
using fs::VolumeStorage;

// A FAT12, FAT16 or FAT32 volume, read and checked when opened: a bad boot sector,
// cross-linked or looping chains, chains that do not match their files' sizes, or bad
// directory entries refuse it with a message naming the problem.
class FatImage : public fs::VolumeModel {
 public:
  // Reads the volume on a source its caller holds.
  static std::unique_ptr<FatImage> Open(std::shared_ptr<const fs::SectorSource> source);

  const Layout& Geometry() const override { return layout_; }
  // The codec of this volume's FAT width.
  const FatCodec& Codec() const { return *codec_; }
  // The FAT entry of `cluster` (first copy) as stored; see Codec() for what it says.
  uint32_t Next(uint32_t cluster) const;
  // Keeps the FAT cache in step with an entry just written to the medium.
  void SetCachedNext(uint32_t cluster, uint32_t value);
  // The first FAT copy as cached, for writing entries back byte for byte.
  const std::vector<uint8_t>& CachedFatBytes() const;
  bool InUse(uint32_t cluster) const { return Next(cluster) != 0; }
  // The in-use state of clusters [startLcn, startLcn + count) as bits (LCN 0 is cluster 2;
  // bit k of byte j is startLcn + 8j + k); startLcn is a multiple of 8. Kept with the FAT cache,
  // so a bitmap read after every move costs a copy, not a walk of the FAT.
  void CopyUsedBits(int64_t startLcn, int64_t count, uint8_t* out) const override;
  uint32_t UsedClusters() const override { return usedClusters_; }
  const DirEntry& Root() const { return root_; }
  DirEntry& Root() override { return root_; }
  // Clusters whose FAT entry marks them in use (not bad) that no chain holds: lost clusters,
  // which a check reclaims. They count as in use, as the Windows driver counts them.
  uint32_t LostClusters() const override { return lostClusters_; }
  // Reads `length` bytes at `offset` of the volume; false when they lie beyond it.
  bool Read(uint64_t offset, void* buffer, size_t length);
  const std::vector<uint8_t>& BootSector() const { return bootSector_; }
  // The boot sector's volume label, empty for "NO NAME".
  std::string Label() const override;
  std::string FileSystemName() const override { return layout_.type == FatType::Fat32 ? "FAT32" : "FAT"; }
  std::string RepairCommand() const override { return "fsck.fat -a"; }
  std::string LostClustersRemedy() const override { return "fsck.fat -a reclaims them"; }
  std::unique_ptr<BatchMover> MakeMover(VolumeStorage& storage) override;

 private:
  explicit FatImage(std::shared_ptr<const fs::SectorSource> source);
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

  std::shared_ptr<const fs::SectorSource> source_;
  std::string path_;
  std::vector<uint8_t> bootSector_;
  Layout layout_;
  const FatCodec* codec_ = nullptr;
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
