#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "filesystems/volume_model.h"

namespace tarvonel::fs {

// What the FAT and exFAT movers share: the driver's checks of a move, and which moves may join
// a batch so that each step of a commit may run for all of them at once. A move joins only
// when nothing it reads or writes was written or freed by an earlier move of the batch: its
// file was not moved in it, or only its other pieces, and this move switches a FAT entry, not
// the file's directory entry; the clusters it moves were not filled by the batch; its targets
// were free before it began (a freed run is free only once the switches are on the medium);
// the entry it switches lies in no cluster the batch moves or fills; and a folder's clusters it
// moves hold no entry the batch switches.
class BatchedMover : public BatchMover {
 public:
  // 0, or the Win32 error: 87 as the FAT driver's rules answer, what Record refuses with, or
  // 29 / 30 when a commit could not write or read (then the move was not made).
  uint32_t Move(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) final;
  // Puts the batch on the medium. 0, or the error of the step that failed: the volume is then
  // as the last completed step left it (every file whole), and the answers are ahead of it.
  uint32_t Commit() final;
  size_t PendingMoves() const final { return moves_; }
  size_t HeldClusters() const final { return freed_.size(); }

 protected:
  BatchedMover(VolumeModel& volume, VolumeStorage& storage, BatchLimits limits);

  // Whether the answers have the cluster in use.
  virtual bool InUse(uint32_t cluster) const = 0;
  // Whether moving clusters from `startVcn` on rewrites the file's directory entry.
  virtual bool SwitchesEntry(const DirEntry& file, uint32_t startVcn) const = 0;
  // The clusters holding the file's directory entry or entries (none in a fixed root).
  virtual std::vector<uint32_t> EntryClusters(const DirEntry& file) const = 0;
  // Shows the move in the answers (the file's chain still holds its old clusters) and keeps
  // what the commit will need: 0, or the Win32 error of a move this volume will not make (then
  // nothing changed).
  virtual uint32_t Record(DirEntry& file, uint32_t vcn, const std::vector<uint32_t>& old, uint32_t target) = 0;
  // Writes the batch, each step on the medium before the next: 0 or the error.
  virtual uint32_t WriteBatch() = 0;
  // After a commit: the freed clusters read as free, and the batch is forgotten.
  virtual void Committed(const std::unordered_set<uint32_t>& freed) = 0;

  // Never past the volume's end: whatever the image file or device holds beyond it belongs to
  // someone else.
  bool Write(uint64_t offset, const void* bytes, size_t length) const;
  // Copies the old clusters to the run from `target`, reading them as the medium has them.
  uint32_t CopyClusters(const std::vector<uint32_t>& old, uint32_t target) const;
  uint32_t ClusterAt(uint64_t offset) const;  // 0 before the data area (a fixed root)

  VolumeModel& volume_;
  VolumeStorage& storage_;

 private:
  bool HoldsAny(uint32_t first, uint32_t count) const;
  bool MayJoin(const DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count) const;

  BatchLimits limits_;
  size_t moves_ = 0;
  uint64_t pendingBytes_ = 0;
  std::unordered_set<const DirEntry*> movedFiles_;
  std::unordered_set<uint32_t> targets_;        // clusters the batch writes data to
  std::unordered_set<uint32_t> freed_;          // clusters the batch frees
  std::unordered_set<uint32_t> entryClusters_;  // clusters holding entries the batch switches
};

}  // namespace tarvonel::fs
