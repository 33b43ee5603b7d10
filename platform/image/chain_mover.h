#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/image/volume_model.h"

namespace tarvonel::fat {

class FatImage;

// Moves ranges of files' clusters to free clusters as the Windows FAT driver's move-file does
// (its checks and error numbers), written so that a power cut at any write leaves every file
// whole at its old or its new place. Moves are gathered into a batch that shares its four
// write barriers; the image's FAT cache and chains (what the volume answers) show each move at
// once, the medium has it when the batch is committed. The clusters a batch frees read as in
// use until then.
class ChainMover : public BatchMover {
 public:
  ChainMover(FatImage& image, VolumeStorage& storage, BatchLimits limits = {});

  // Moves `count` clusters of `file` from cluster index `startVcn` to the clusters from
  // `targetLcn` (LCN 0 is cluster 2), under the FAT driver's rules (PlanFatMove), into the
  // batch. A move that may not join the batch commits it first; a full batch is committed.
  // 0, or the Win32 error: 87 as those rules answer; 29 / 30 when a commit could not write or
  // read (then the move was not made).
  uint32_t Move(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) override;
  // Puts the batch on the medium. 0, or the error of the step that failed: the volume is then
  // as the last completed step left it (every file whole), and the cache is ahead of it.
  uint32_t Commit() override;
  // A move committed before it returns: a batch of its own.
  uint32_t MoveClusters(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count);
  size_t PendingMoves() const override { return pending_.size(); }
  // Clusters the batch frees: they read as in use until it is committed.
  size_t HeldClusters() const override { return freed_.size(); }

 private:
  struct Pending {
    DirEntry* file;
    uint32_t vcn;
    std::vector<uint32_t> old;  // its clusters before the move
    uint32_t target;            // the first new cluster; the new ones are consecutive
    uint32_t following;         // what followed the old clusters: the next cluster or end of chain
    uint32_t previous;          // the cluster whose entry leads into the range; 0: the directory entry
    uint64_t entryOffset;       // of the file's directory entry, when that is what leads in
  };
  bool HoldsAny(uint32_t first, uint32_t count) const;
  bool MayJoin(const DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count) const;
  void Record(DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count);
  uint32_t CopyData() const;
  bool WriteNewChains();
  bool WriteSwitches();
  bool FreeOldClusters();
  uint32_t EntryCluster(uint64_t entryOffset) const;  // 0 in the fixed root
  std::pair<size_t, size_t> EntryBytes(uint32_t first, uint32_t last) const;
  bool WriteMediumFatBytes(size_t begin, size_t end);
  bool WriteMediumFatEntries(uint32_t first, uint32_t count);
  bool SwitchMediumFatEntry(uint32_t previous, uint32_t target);
  bool WriteEntryFirstCluster(uint64_t entryOffset, uint32_t firstCluster);
  void FollowMovedEntries(DirEntry& directory, const std::vector<uint32_t>& old, uint32_t target);
  bool Write(uint64_t offset, const void* bytes, size_t length) const;  // never past the volume's end

  FatImage& image_;
  VolumeStorage& storage_;
  BatchLimits limits_;
  std::vector<uint8_t> onMedium_;  // the first FAT copy as the medium holds it
  std::vector<Pending> pending_;
  uint64_t pendingBytes_ = 0;
  std::unordered_set<const DirEntry*> movedFiles_;
  std::unordered_set<uint32_t> targets_;         // clusters the batch writes data to
  std::unordered_set<uint32_t> freed_;           // clusters the batch frees
  std::unordered_set<uint32_t> entryClusters_;   // clusters holding directory entries the batch switches
};

}  // namespace tarvonel::fat
