#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "filesystems/volume_model.h"

namespace tarvonel::fs {
class SectorSource;
}

namespace tarvonel::exfat {

// An exFAT volume, read and checked when opened: the main and backup
// boot regions with their checksums, the FAT, the allocation bitmap (which says what is in use),
// the up-case table's checksum, every directory's entry sets with their checksums, and every
// file's clusters against its size, the bitmap and the other files. A volume that disagrees with
// itself is refused with a message naming the problem; what an interrupted rewrite of a set
// leaves is read for what it is (Leftovers).
class ExfatImage : public fs::VolumeModel {
 public:
  // Reads the volume on a source its caller holds.
  static std::unique_ptr<ExfatImage> Open(std::shared_ptr<const fs::SectorSource> source);

  const fs::Layout& Geometry() const override { return layout_; }
  fs::DirEntry& Root() override { return root_; }
  const fs::DirEntry& Root() const { return root_; }
  void CopyUsedBits(int64_t startLcn, int64_t count, uint8_t* out) const override;
  uint32_t UsedClusters() const override { return usedClusters_; }
  uint32_t LostClusters() const override { return lostClusters_; }
  std::string Label() const override { return label_; }
  std::string FileSystemName() const override { return "exFAT"; }
  std::string RepairCommand() const override { return "fsck.exfat -y"; }
  std::unique_ptr<fs::BatchMover> MakeMover(fs::VolumeStorage& storage) override;
  // A set's checksum sits in its file entry, the first cluster and NoFatChain in the stream
  // extension after it. Only when both lie in one sector can one write change them together: a
  // write torn between two sectors would leave a set whose checksum fails, which a check deletes
  // with the file. Such a set is never changed in place; the mover may write it anew elsewhere
  // when the whole file moves.
  bool ChangesInPlace(const fs::DirEntry& file) const;
  // As said of every move: whether the set changes in place.
  bool StartCanMove(const fs::DirEntry& file) const override;
  const fs::DirEntry* FolderOf(const fs::DirEntry& file) const;

  // Entries an interrupted rewrite of a set left in use: the old set, when the new one is whole
  // (the file is listed once, its old clusters are lost), or the old set's secondary entries
  // once its file entry was deleted. `primary`: the first offset is the old set's file entry.
  struct Leftover {
    std::vector<uint64_t> offsets;
    bool primary = false;
  };
  const std::vector<Leftover>& Leftovers() const { return leftovers_; }
  void ForgetLeftovers() { leftovers_.clear(); }

  // The FAT entry of `cluster` as cached (meaningful for clusters of chained files).
  uint32_t Next(uint32_t cluster) const { return fat_[cluster]; }
  void SetCachedNext(uint32_t cluster, uint32_t value) { fat_[cluster] = value; }
  // The allocation bitmap as cached, one bit per cluster from cluster 2.
  bool InUse(uint32_t cluster) const;
  void SetCachedInUse(uint32_t cluster, bool used);
  const std::vector<uint8_t>& CachedBitmap() const { return bitmap_; }
  // Clusters in use that no file holds as the volume was read (a cut move leaves its new
  // clusters so; fsck.exfat does not free them), and their count once they are freed.
  std::vector<uint32_t> LostClusterList() const;
  void ForgetLostClusters() { lostClusters_ = 0; }
  std::string LostClustersRemedy() const override { return "Tarvonel frees them when it next moves a file"; }
  // Where byte `index` of the allocation bitmap lies on the volume.
  uint64_t BitmapByteOffset(uint64_t index) const;

 private:
  explicit ExfatImage(std::shared_ptr<const fs::SectorSource> source);
  void ReadBootRegions();
  void ReadFat();
  std::vector<uint32_t> Chain(uint32_t first, uint64_t bytes, bool noFatChain, const std::string& what);
  void ReadRoot();
  void ReadDirectory(fs::DirEntry& directory, int depth);
  size_t ReadSet(fs::DirEntry& directory, const std::vector<uint8_t>& bytes, size_t at, int depth);
  size_t ReadDeletedSet(const fs::DirEntry& directory, const std::vector<uint8_t>& bytes, size_t at);
  void SettleRewrittenSets(fs::DirEntry& directory);
  std::vector<uint8_t> SetBytes(const fs::DirEntry& file) const;
  bool AlikeSets(const fs::DirEntry& a, const fs::DirEntry& b) const;
  bool SameContents(const fs::DirEntry& a, const fs::DirEntry& b) const;
  void NoteFolders(const fs::DirEntry& directory);
  void ReadVolumeEntries(const std::vector<uint8_t>& rootBytes);
  void TakeClusters(const std::vector<uint32_t>& chain, const std::string& what);
  void CheckUpcaseTable(uint32_t first, uint64_t bytes, uint32_t checksum);
  void ReadBitmap(uint32_t first, uint64_t bytes);
  std::vector<uint8_t> ReadChainBytes(const std::vector<uint32_t>& chain, uint64_t bytes);
  void CountUse();
  [[noreturn]] void Fail(const std::string& problem) const;

  std::shared_ptr<const fs::SectorSource> source_;
  std::string path_;
  fs::Layout layout_;
  std::string label_;
  std::vector<uint32_t> fat_;       // by cluster
  std::vector<uint8_t> bitmap_;     // the allocation bitmap
  std::vector<uint32_t> bitmapChain_;
  std::vector<bool> owned_;         // by cluster: a file, a directory or the file system holds it
  uint32_t usedClusters_ = 0;
  uint32_t lostClusters_ = 0;
  bool sawBitmap_ = false;
  bool sawUpcase_ = false;
  fs::DirEntry root_;
  std::vector<Leftover> leftovers_;
  std::unordered_map<const fs::DirEntry*, const fs::DirEntry*> folders_;  // of every file and folder
};

}  // namespace tarvonel::exfat
