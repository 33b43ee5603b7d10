#include "filesystems/fat/chain_mover.h"

#include <algorithm>

#include "base/win32_errors.h"
#include "filesystems/cluster_run.h"
#include "filesystems/fat/dir_entry.h"
#include "filesystems/fat/fat_image.h"
#include "filesystems/fat/fat_table.h"
#include "filesystems/sector_source.h"

namespace tarvonel::fat {
using namespace win32_error;

std::unique_ptr<BatchMover> FatImage::MakeMover(VolumeStorage& storage) {
  return std::make_unique<ChainMover>(*this, storage);
}

ChainMover::ChainMover(FatImage& image, VolumeStorage& storage, BatchLimits limits)
    : BatchedMover(image, storage, limits), image_(image), codec_(image.Codec()), onMedium_(image.CachedFatBytes()) {}

bool ChainMover::InUse(uint32_t cluster) const { return image_.InUse(cluster); }

std::vector<uint32_t> ChainMover::EntryClusters(const DirEntry& file) const {
  if (const uint32_t holder = ClusterAt(file.entryOffset)) return {holder};
  return {};
}

// Writes bytes [begin, end) of the medium's FAT into every copy, the first copy first, so that
// the first copy is never behind: a check after a cut between the copies keeps the first. The
// bytes come from the medium's FAT, never from the cache, which is ahead of the medium by the
// whole batch: a FAT12 byte shared with a neighbour must carry the neighbour's value as the
// medium has it, or a later step (a switch, a freeing) would reach the medium too early.
bool ChainMover::WriteMediumFatBytes(size_t begin, size_t end) {
  const Layout& layout = image_.Geometry();
  for (uint32_t copy = 0; copy < layout.numFats; ++copy) {
    if (!Write(layout.fatOffset + copy * layout.fatBytes + begin, onMedium_.data() + begin, end - begin)) return false;
  }
  return true;
}

bool ChainMover::WriteMediumFatEntries(uint32_t first, uint32_t count) {
  const auto [begin, end] = codec_.Bytes(first, first + count - 1);
  return WriteMediumFatBytes(begin, end);
}

// Points FAT[previous] at `target`, writing only the bytes that change: a FAT12 entry that
// straddles two sectors then is a write to one sector whenever one of its halves keeps its value.
bool ChainMover::SwitchMediumFatEntry(uint32_t previous, uint32_t target) {
  const auto [first, end] = codec_.Bytes(previous, previous);
  const std::vector<uint8_t> before(onMedium_.begin() + static_cast<ptrdiff_t>(first),
                                    onMedium_.begin() + static_cast<ptrdiff_t>(end));
  codec_.Put(onMedium_.data(), previous, target);
  size_t begin = first;
  size_t last = end;
  while (begin < last && onMedium_[begin] == before[begin - first]) ++begin;
  while (last > begin && onMedium_[last - 1] == before[last - 1 - first]) --last;
  return WriteMediumFatBytes(begin, last);
}

// Both first-cluster fields lie inside the one 32-byte entry: one write inside one sector.
bool ChainMover::WriteEntryFirstCluster(uint64_t entryOffset, uint32_t firstCluster) {
  using namespace dir_entry;
  uint8_t entry[kBytes];
  uint8_t* fields = entry + kFirstClusterHigh;
  if (!storage_.Read(entryOffset + kFirstClusterHigh, fields, kFirstClusterSpan)) return false;
  PutFirstCluster(entry, firstCluster, image_.Geometry().type == FatType::Fat32);
  return Write(entryOffset + kFirstClusterHigh, fields, kFirstClusterSpan);
}

// A directory's entries now lie in its new clusters: a later move of one of its files must
// switch the entry where it is, not where it was.
void ChainMover::FollowMovedEntries(DirEntry& directory, const std::vector<uint32_t>& old, uint32_t target) {
  const uint64_t clusterBytes = image_.Geometry().ClusterBytes();
  for (DirEntry& child : directory.children) {
    for (size_t i = 0; i < old.size(); ++i) {
      const uint64_t from = image_.ClusterOffset(old[i]);
      if (child.entryOffset >= from && child.entryOffset < from + clusterBytes) {
        child.entryOffset = image_.ClusterOffset(target + static_cast<uint32_t>(i)) + (child.entryOffset - from);
        break;
      }
    }
  }
}

// The cache shows the move at once: the engine reads it back as done.
uint32_t ChainMover::Record(DirEntry& file, uint32_t vcn, const std::vector<uint32_t>& old, uint32_t target) {
  const auto count = static_cast<uint32_t>(old.size());
  Pending move{&file, old, target, 0, 0, file.entryOffset};
  move.following = image_.Next(move.old.back());
  move.previous = vcn > 0 ? file.chain[vcn - 1] : 0;
  for (uint32_t i = 0; i + 1 < count; ++i) image_.SetCachedNext(target + i, target + i + 1);
  image_.SetCachedNext(target + count - 1, move.following);
  if (vcn > 0) {
    image_.SetCachedNext(move.previous, target);
  } else {
    file.firstCluster = target;
  }
  for (uint32_t i = 0; i < count; ++i) file.chain[vcn + i] = target + i;
  if (file.IsDirectory()) FollowMovedEntries(file, move.old, target);
  pending_.push_back(std::move(move));
  return kSuccess;
}

uint32_t ChainMover::MoveClusters(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) {
  if (const uint32_t error = Commit()) return error;
  if (const uint32_t error = Move(file, startVcn, targetLcn, count)) return error;
  return Commit();
}

// The four steps of the class comment, each flushed before the next.
uint32_t ChainMover::WriteBatch() {
  for (const Pending& move : pending_) {
    if (const uint32_t error = CopyClusters(move.old, move.target)) return error;
  }
  if (!storage_.Flush()) return kWriteFault;
  if (!WriteNewChains() || !storage_.Flush()) return kWriteFault;
  if (!WriteSwitches() || !storage_.Flush()) return kWriteFault;
  if (!FreeOldClusters() || !storage_.Flush()) return kWriteFault;
  return kSuccess;
}

void ChainMover::Committed(const std::unordered_set<uint32_t>& freed) {
  for (uint32_t cluster : freed) image_.SetCachedNext(cluster, 0);
  pending_.clear();
}

bool ChainMover::WriteNewChains() {
  for (const Pending& move : pending_) {
    const auto count = static_cast<uint32_t>(move.old.size());
    for (uint32_t i = 0; i + 1 < count; ++i) codec_.Put(onMedium_.data(), move.target + i, move.target + i + 1);
    codec_.Put(onMedium_.data(), move.target + count - 1, move.following);
    if (!WriteMediumFatEntries(move.target, count)) return false;
  }
  return true;
}

bool ChainMover::WriteSwitches() {
  for (const Pending& move : pending_) {
    const bool switched = move.previous != 0 ? SwitchMediumFatEntry(move.previous, move.target)
                                             : WriteEntryFirstCluster(move.entryOffset, move.target);
    if (!switched) return false;
  }
  return true;
}

bool ChainMover::FreeOldClusters() {
  for (const Pending& move : pending_) {
    const bool freed = fs::ForEachRun(move.old, SIZE_MAX, [&](fs::ClusterRun run, size_t) {
      for (uint32_t i = 0; i < run.count; ++i) codec_.Put(onMedium_.data(), run.first + i, 0);
      return WriteMediumFatEntries(run.first, run.count);
    });
    if (!freed) return false;
  }
  return true;
}

}  // namespace tarvonel::fat
