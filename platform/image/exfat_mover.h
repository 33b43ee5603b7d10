#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

#include "platform/image/batched_mover.h"

namespace tarvonel::fat {

class ExfatImage;

// Moves ranges of files' clusters on exFAT as the Windows driver's move-file does (the FAT
// driver's checks and error numbers), in batches, written so that a power cut at any write
// leaves every file whole at its old or its new place. What differs from FAT: the allocation
// bitmap, not the FAT, says what is in use; a file in one run may have no FAT chain
// (NoFatChain), and keeps none when it stays one run; the pointer into a file's first cluster
// is its stream extension, guarded by its entry set's checksum in the file entry before it.
class ExfatMover : public BatchedMover {
 public:
  ExfatMover(ExfatImage& image, VolumeStorage& storage, BatchLimits limits = {});

  // Moves refuse with error 5 to change an entry set whose checksum and stream extension lie
  // in two sectors, unless the whole file moves and its folder has room to write the set anew
  // inside one sector (see WriteBatch).
  size_t FilesKeptAtTheirStart() const override { return keptAtStart_.size(); }

 private:
  struct Pending {
    DirEntry* file;
    std::vector<uint32_t> old;  // its clusters before the move
    uint32_t target;            // the first new cluster; the new ones are consecutive
    uint32_t previous;          // the cluster whose FAT entry leads into the range; 0: the stream extension
    bool chainWhole;            // the file loses NoFatChain: its whole chain is written
    std::optional<uint64_t> newSet;  // where the set is written anew, when it cannot change in place
  };
  bool InUse(uint32_t cluster) const override;
  bool SwitchesEntry(const DirEntry& file, uint32_t startVcn) const override;
  std::vector<uint32_t> EntryClusters(const DirEntry& file) const override;
  uint32_t Record(DirEntry& file, uint32_t vcn, const std::vector<uint32_t>& old, uint32_t target) override;
  std::optional<uint64_t> PlaceNewSet(const DirEntry& file, uint32_t vcn, size_t count);
  uint64_t EntryOffset(const DirEntry& folder, size_t index) const;
  uint32_t WriteBatch() override;
  void Committed(const std::unordered_set<uint32_t>& freed) override;
  bool Allocate();
  bool WriteSwitches();
  bool FreeOldClusters();
  bool WriteFatEntries(uint32_t first, const uint32_t* values, size_t count) const;
  bool WriteBitmapBits(uint32_t first, uint32_t count, bool used);
  std::optional<std::vector<uint8_t>> SwitchedSet(const DirEntry& file) const;
  bool ClearInUse(uint64_t offset) const;
  bool TidyLeftovers();
  void FollowMovedEntries(DirEntry& directory, const std::vector<uint32_t>& old, uint32_t target) const;

  ExfatImage& image_;
  std::vector<uint8_t> bitmapOnMedium_;  // the allocation bitmap as the medium holds it
  std::vector<uint32_t> lost_;  // in use for no file when the mover began, freed at the first commit
  std::vector<Pending> pending_;
  std::unordered_set<const DirEntry*> keptAtStart_;
  std::unordered_set<uint64_t> reserved_;         // entries the batch's new sets will take
  std::unordered_set<const DirEntry*> endTaken_;  // folders whose end marker a new set takes
};

}  // namespace tarvonel::fat
