#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

#include "filesystems/batched_mover.h"

namespace tarvonel::exfat {

class ExfatImage;

// Moves ranges of files' clusters on exFAT as the Windows driver's move-file does (the FAT
// driver's checks and error numbers), in batches, written so that a power cut at any write
// leaves every file whole at its old or its new place. What differs from FAT: the allocation
// bitmap, not the FAT, says what is in use; a file in one run may have no FAT chain
// (NoFatChain), and keeps none when it stays one run; the pointer into a file's first cluster
// is its stream extension, guarded by its entry set's checksum in the file entry before it.
//
// The order a power cut cannot break, for every move of the batch at once, each step on the
// medium (Flush) before the next begins:
//  1. copy the data to the new clusters;
//  2. mark them in use in the allocation bitmap, and write the FAT chain the file will have
//     (the new run's entries, or the whole chain of a file leaving NoFatChain);
//  3. switch the one pointer into each range: the FAT entry before it, or the stream
//     extension's first cluster and NoFatChain with the set's checksum, in one write inside
//     one sector; or, for a set that does not lie so, write the whole new set inside one
//     sector elsewhere in its folder;
//  3a. delete each old set that was written anew: its file entry first (one byte), then
//  3b. its other entries;
//  4. clear the old clusters in the bitmap.
// Until a switch the file reads its old clusters, and the new ones are in use for no file;
// after it the file reads the new ones and the old are in use for none until step 4. The FAT
// entries step 2 writes belong to free clusters or to a file whose stream says NoFatChain until
// its switch: nothing reads them before. Two switches of a batch may lead into one file (two of
// its pieces, the second through a FAT entry): step 2 wrote its chain as the batch leaves it,
// and old and new clusters both hold its data until step 4, so any subset of the switches on
// the medium reads every file whole. A set written anew is a whole second copy
// until 3a (the whole file moved: the copies share no cluster), then the old set's remaining
// entries belong to no set until 3b; the reader takes both states for what they are, and the
// next commit clears them (TidyLeftovers). A cut never leaves a set whose checksum fails.
class ExfatMover : public fs::BatchedMover {
 public:
  ExfatMover(ExfatImage& image, fs::VolumeStorage& storage, fs::BatchLimits limits = {});

  // Moves refuse with error 5 to change an entry set whose checksum and stream extension lie
  // in two sectors, unless the whole file moves and its folder has room to write the set anew
  // inside one sector (see WriteBatch).
  size_t FilesKeptAtTheirStart() const override { return keptAtStart_.size(); }

 private:
  struct Pending {
    fs::DirEntry* file;
    std::vector<uint32_t> old;  // its clusters before the move
    uint32_t target;            // the first new cluster; the new ones are consecutive
    uint32_t previous;          // the cluster whose FAT entry leads into the range; 0: the stream extension
    bool chainWhole;            // the file loses NoFatChain: its whole chain is written
    std::optional<uint64_t> newSet;  // where the set is written anew, when it cannot change in place
  };
  bool InUse(uint32_t cluster) const override;
  bool SwitchesEntry(const fs::DirEntry& file, uint32_t startVcn) const override;
  std::vector<uint32_t> EntryClusters(const fs::DirEntry& file) const override;
  uint32_t Record(fs::DirEntry& file, uint32_t vcn, const std::vector<uint32_t>& old, uint32_t target) override;
  std::optional<uint64_t> PlaceNewSet(const fs::DirEntry& file, uint32_t vcn, size_t count);
  uint64_t EntryOffset(const fs::DirEntry& folder, size_t index) const;
  uint32_t WriteBatch() override;
  void Committed(const std::unordered_set<uint32_t>& freed) override;
  bool Allocate();
  bool WriteSwitches();
  bool FreeOldClusters();
  bool FreeInBitmap(const std::vector<uint32_t>& clusters);
  bool WriteFatEntries(uint32_t first, const uint32_t* values, size_t count) const;
  bool WriteBitmapBits(uint32_t first, uint32_t count, bool used);
  std::optional<std::vector<uint8_t>> SwitchedSet(const fs::DirEntry& file) const;
  bool ClearInUse(uint64_t offset) const;
  bool TidyLeftovers();
  void FollowMovedEntries(fs::DirEntry& directory, const std::vector<uint32_t>& old, uint32_t target) const;

  ExfatImage& image_;
  std::vector<uint8_t> bitmapOnMedium_;  // the allocation bitmap as the medium holds it
  std::vector<uint32_t> lost_;  // in use for no file when the mover began, freed at the first commit
  std::vector<Pending> pending_;
  std::unordered_set<const fs::DirEntry*> keptAtStart_;
  std::unordered_set<uint64_t> reserved_;         // entries the batch's new sets will take
  std::unordered_set<const fs::DirEntry*> endTaken_;  // folders whose end marker a new set takes
};

}  // namespace tarvonel::exfat
