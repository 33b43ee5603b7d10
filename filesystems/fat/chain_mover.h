#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "filesystems/batched_mover.h"

namespace tarvonel::fat {

class FatCodec;
class FatImage;

// Moves ranges of files' clusters to free clusters as the Windows FAT driver's move-file does
// (its checks and error numbers), written so that a power cut at any write leaves every file
// whole at its old or its new place. Moves are gathered into a batch that shares its four
// write barriers; the image's FAT cache and chains (what the volume answers) show each move at
// once, the medium has it when the batch is committed. The clusters a batch frees read as in
// use until then.
//
// The order a power cut cannot break, for every move of the batch at once, each step on the
// medium (Flush) before the next begins: copy the data; write the new chains, each already
// linked to whatever followed its old clusters; switch the one pointer that leads into each
// range (a FAT entry, or the directory entry's first cluster); free the old clusters. Until a
// move's switch the file still reads its old clusters and the new ones are an unreferenced
// chain a check reclaims; after it the file reads the new clusters and the old ones are
// unreferenced until freed. So a cut or a write torn part-way harms nothing, except at a
// switch, which is one entry: its bytes lie in one sector but for a FAT12 entry on a sector
// boundary whose halves both change. Two switches of a batch may lead into one file (two of its
// pieces); each leads into a new run already linked to what follows it, old clusters or an
// earlier new run, all holding the file's data until the old are freed, so any subset of the
// switches on the medium reads every file whole.
class ChainMover : public fs::BatchedMover {
 public:
  ChainMover(FatImage& image, fs::VolumeStorage& storage, fs::BatchLimits limits = {});

  // A move committed before it returns: a batch of its own.
  uint32_t MoveClusters(fs::DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count);

 private:
  struct Pending {
    fs::DirEntry* file;
    std::vector<uint32_t> old;  // its clusters before the move
    uint32_t target;            // the first new cluster; the new ones are consecutive
    uint32_t following;         // what followed the old clusters: the next cluster or end of chain
    uint32_t previous;          // the cluster whose entry leads into the range; 0: the directory entry
    uint64_t entryOffset;       // of the file's directory entry, when that is what leads in
  };
  bool InUse(uint32_t cluster) const override;
  bool SwitchesEntry(const fs::DirEntry&, uint32_t startVcn) const override { return startVcn == 0; }
  std::vector<uint32_t> EntryClusters(const fs::DirEntry& file) const override;
  uint32_t Record(fs::DirEntry& file, uint32_t vcn, const std::vector<uint32_t>& old, uint32_t target) override;
  uint32_t WriteBatch() override;
  void Committed(const std::unordered_set<uint32_t>& freed) override;
  bool WriteNewChains();
  bool WriteSwitches();
  bool FreeOldClusters();
  bool WriteMediumFatBytes(size_t begin, size_t end);
  bool WriteMediumFatEntries(uint32_t first, uint32_t count);
  bool SwitchMediumFatEntry(uint32_t previous, uint32_t target);
  bool WriteEntryFirstCluster(uint64_t entryOffset, uint32_t firstCluster);
  void FollowMovedEntries(fs::DirEntry& directory, const std::vector<uint32_t>& old, uint32_t target);

  FatImage& image_;
  const FatCodec& codec_;
  std::vector<uint8_t> onMedium_;  // the first FAT copy as the medium holds it
  std::vector<Pending> pending_;
};

}  // namespace tarvonel::fat
