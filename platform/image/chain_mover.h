#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarvonel::fat {

class FatImage;
class VolumeStorage;
struct DirEntry;

// Moves a range of a file's clusters to free clusters as the Windows FAT driver's move-file does
// (its argument checks and error numbers), written so that a power cut at any write leaves
// every file whole at its old or its new place. The image's FAT cache and the entry's chain
// follow each committed step.
class ChainMover {
 public:
  ChainMover(FatImage& image, VolumeStorage& storage) : image_(image), storage_(storage) {}

  // Moves `count` clusters of `file` from cluster index `startVcn` to the clusters from
  // `targetLcn` (LCN 0 is cluster 2), under the FAT driver's rules (PlanFatMove). 0, or the
  // Win32 error: 87 as those rules answer; 29 / 30 the medium refused a write or read. A failed
  // move leaves the file whole at its old place, or at its new one when only the freeing of
  // the old clusters failed.
  uint32_t MoveClusters(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count);

 private:
  uint32_t MoveRange(DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count);
  std::pair<size_t, size_t> EntryBytes(uint32_t first, uint32_t last) const;  // in the cached FAT
  bool WriteFatBytes(size_t begin, size_t end);
  bool WriteFatEntries(uint32_t first, uint32_t count);  // from the cache
  bool SwitchFatEntry(uint32_t previous, uint32_t target);
  bool SwitchHead(DirEntry& file, uint32_t vcn, uint32_t firstTarget);
  bool Write(uint64_t offset, const void* bytes, size_t length);  // never past the volume's end
  void FollowMovedEntries(DirEntry& directory, const std::vector<uint32_t>& old, uint32_t target);

  FatImage& image_;
  VolumeStorage& storage_;
};

}  // namespace tarvonel::fat
