#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "platform/image/volume_model.h"

namespace tarvonel::fat {

class ExfatImage;

// Moves ranges of files' clusters on exFAT as the Windows driver's move-file does (the FAT
// driver's checks and error numbers), in batches, written so that a power cut at any write
// leaves every file whole at its old or its new place. What differs from FAT: the allocation
// bitmap, not the FAT, says what is in use; a file in one run may have no FAT chain
// (NoFatChain), and keeps none when it stays one run; the pointer into a file's first cluster
// is its stream extension, guarded by its entry set's checksum in the file entry before it.
class ExfatMover : public BatchMover {
 public:
  ExfatMover(ExfatImage& image, VolumeStorage& storage, BatchLimits limits = {});

  // 0, or the Win32 error: 87 as the FAT driver's rules answer; 5 when the move would have to
  // change an entry set whose checksum and stream extension lie in two sectors (see Commit);
  // 29 / 30 when a commit could not write or read (then the move was not made).
  uint32_t Move(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) override;
  uint32_t Commit() override;
  size_t PendingMoves() const override { return pending_.size(); }
  size_t HeldClusters() const override { return freed_.size(); }
  size_t FilesKeptAtTheirStart() const override { return keptAtStart_.size(); }

 private:
  struct Pending {
    DirEntry* file;
    std::vector<uint32_t> old;  // its clusters before the move
    uint32_t target;            // the first new cluster; the new ones are consecutive
    uint32_t previous;          // the cluster whose FAT entry leads into the range; 0: the stream extension
    bool chainWhole;            // the file loses NoFatChain: its whole chain is written
  };
  bool HoldsAny(uint32_t first, uint32_t count) const;
  bool MayJoin(const DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count) const;
  void Record(DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count);
  uint32_t CopyData() const;
  bool Allocate();
  bool WriteSwitches();
  bool FreeOldClusters();
  bool WriteFatEntries(uint32_t first, const uint32_t* values, size_t count) const;
  bool WriteBitmapBits(uint32_t first, uint32_t count, bool used);
  bool WriteStreamSwitch(const DirEntry& file) const;
  bool FreeLostClusters();
  uint32_t ClusterAt(uint64_t offset) const;
  void FollowMovedEntries(DirEntry& directory, const std::vector<uint32_t>& old, uint32_t target) const;
  bool Write(uint64_t offset, const void* bytes, size_t length) const;  // never past the volume's end

  ExfatImage& image_;
  VolumeStorage& storage_;
  BatchLimits limits_;
  std::vector<uint8_t> bitmapOnMedium_;  // the allocation bitmap as the medium holds it
  std::vector<uint32_t> lost_;  // in use for no file when the mover began, freed at the first commit
  std::vector<Pending> pending_;
  uint64_t pendingBytes_ = 0;
  std::unordered_set<const DirEntry*> movedFiles_;
  std::unordered_set<uint32_t> targets_;        // clusters the batch writes data to
  std::unordered_set<uint32_t> freed_;          // clusters the batch frees
  std::unordered_set<uint32_t> entryClusters_;  // clusters holding entry sets the batch switches
  std::unordered_set<const DirEntry*> keptAtStart_;
};

}  // namespace tarvonel::fat
