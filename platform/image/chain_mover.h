#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/image/batched_mover.h"

namespace tarvonel::fat {

class FatImage;

// Moves ranges of files' clusters to free clusters as the Windows FAT driver's move-file does
// (its checks and error numbers), written so that a power cut at any write leaves every file
// whole at its old or its new place. Moves are gathered into a batch that shares its four
// write barriers; the image's FAT cache and chains (what the volume answers) show each move at
// once, the medium has it when the batch is committed. The clusters a batch frees read as in
// use until then.
class ChainMover : public BatchedMover {
 public:
  ChainMover(FatImage& image, VolumeStorage& storage, BatchLimits limits = {});

  // A move committed before it returns: a batch of its own.
  uint32_t MoveClusters(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count);

 private:
  struct Pending {
    DirEntry* file;
    std::vector<uint32_t> old;  // its clusters before the move
    uint32_t target;            // the first new cluster; the new ones are consecutive
    uint32_t following;         // what followed the old clusters: the next cluster or end of chain
    uint32_t previous;          // the cluster whose entry leads into the range; 0: the directory entry
    uint64_t entryOffset;       // of the file's directory entry, when that is what leads in
  };
  bool InUse(uint32_t cluster) const override;
  bool SwitchesEntry(const DirEntry&, uint32_t startVcn) const override { return startVcn == 0; }
  std::vector<uint32_t> EntryClusters(const DirEntry& file) const override;
  uint32_t Record(DirEntry& file, uint32_t vcn, const std::vector<uint32_t>& old, uint32_t target) override;
  uint32_t WriteBatch() override;
  void Committed(const std::unordered_set<uint32_t>& freed) override;
  bool WriteNewChains();
  bool WriteSwitches();
  bool FreeOldClusters();
  std::pair<size_t, size_t> EntryBytes(uint32_t first, uint32_t last) const;
  bool WriteMediumFatBytes(size_t begin, size_t end);
  bool WriteMediumFatEntries(uint32_t first, uint32_t count);
  bool SwitchMediumFatEntry(uint32_t previous, uint32_t target);
  bool WriteEntryFirstCluster(uint64_t entryOffset, uint32_t firstCluster);
  void FollowMovedEntries(DirEntry& directory, const std::vector<uint32_t>& old, uint32_t target);

  FatImage& image_;
  std::vector<uint8_t> onMedium_;  // the first FAT copy as the medium holds it
  std::vector<Pending> pending_;
};

}  // namespace tarvonel::fat
