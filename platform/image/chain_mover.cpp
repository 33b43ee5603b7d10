#include "platform/image/chain_mover.h"

#include <algorithm>

#include "platform/fs_driver/fat_move_rules.h"
#include "platform/image/fat_image.h"
#include "platform/image/volume_storage.h"
#include "platform/win32_errors.h"

namespace tarvonel::fat {
namespace {

using namespace win32_error;
constexpr uint64_t kCopyBytes = 64 * 1024;  // read and written at once

// How many clusters from `from` on lie one after another on the volume, at most `most`.
uint32_t RunLength(const std::vector<uint32_t>& clusters, uint32_t from, uint32_t most) {
  uint32_t n = 1;
  while (n < most && from + n < clusters.size() && clusters[from + n] == clusters[from + n - 1] + 1) ++n;
  return n;
}

}  // namespace

std::unique_ptr<BatchMover> FatImage::MakeMover(VolumeStorage& storage) {
  return std::make_unique<ChainMover>(*this, storage);
}

ChainMover::ChainMover(FatImage& image, VolumeStorage& storage, BatchLimits limits)
    : image_(image), storage_(storage), limits_(limits), onMedium_(image.CachedFatBytes()) {}

// Whatever the image file or device holds beyond the volume belongs to someone else.
bool ChainMover::Write(uint64_t offset, const void* bytes, size_t length) const {
  const Layout& layout = image_.Geometry();
  const uint64_t volumeBytes = layout.totalSectors * layout.bytesPerSector;
  if (offset > volumeBytes || length > volumeBytes - offset) return false;
  return storage_.Write(offset, bytes, length);
}

// The bytes of a FAT copy that hold entries first .. last: FAT12 entries share a byte with
// their neighbours.
std::pair<size_t, size_t> ChainMover::EntryBytes(uint32_t first, uint32_t last) const {
  switch (image_.Geometry().type) {
    case FatType::Fat12: return {first + first / 2, size_t{last} + last / 2 + 2};
    case FatType::Fat16: return {2 * size_t{first}, 2 * size_t{last} + 2};
    case FatType::Fat32: return {4 * size_t{first}, 4 * size_t{last} + 4};
  }
  return {0, 0};
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
  const auto [begin, end] = EntryBytes(first, first + count - 1);
  return WriteMediumFatBytes(begin, end);
}

// Points FAT[previous] at `target`, writing only the bytes that change: a FAT12 entry that
// straddles two sectors then is a write to one sector whenever one of its halves keeps its value.
bool ChainMover::SwitchMediumFatEntry(uint32_t previous, uint32_t target) {
  const auto [first, end] = EntryBytes(previous, previous);
  const std::vector<uint8_t> before(onMedium_.begin() + static_cast<ptrdiff_t>(first),
                                    onMedium_.begin() + static_cast<ptrdiff_t>(end));
  PutFatEntry(onMedium_, image_.Geometry().type, previous, target);
  size_t begin = first;
  size_t last = end;
  while (begin < last && onMedium_[begin] == before[begin - first]) ++begin;
  while (last > begin && onMedium_[last - 1] == before[last - 1 - first]) --last;
  return WriteMediumFatBytes(begin, last);
}

// The directory entry's first-cluster fields: bytes 20-21 (high word, FAT32 only) and 26-27,
// both inside the one 32-byte entry, so one write inside one sector.
bool ChainMover::WriteEntryFirstCluster(uint64_t entryOffset, uint32_t firstCluster) {
  uint8_t fields[8];
  if (!storage_.Read(entryOffset + 20, fields, sizeof fields)) return false;
  if (image_.Geometry().type == FatType::Fat32) {
    fields[0] = static_cast<uint8_t>(firstCluster >> 16);
    fields[1] = static_cast<uint8_t>(firstCluster >> 24);
  }
  fields[6] = static_cast<uint8_t>(firstCluster);
  fields[7] = static_cast<uint8_t>(firstCluster >> 8);
  return Write(entryOffset + 20, fields, sizeof fields);
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

uint32_t ChainMover::EntryCluster(uint64_t entryOffset) const {
  const Layout& layout = image_.Geometry();
  if (entryOffset < layout.dataOffset) return 0;
  return static_cast<uint32_t>((entryOffset - layout.dataOffset) / layout.ClusterBytes()) + 2;
}

// A move joins the batch only when nothing it reads or writes was written or freed by an
// earlier move of the batch, so that each of the four steps below may run for all of them at
// once: its file was not moved in the batch (its clusters, the entry that leads into the
// range and what follows it are as the medium has them); its targets were free before the
// batch began (not freed by it: a freed run is free only once the switches are on the medium);
// the directory entry it switches does not lie in a cluster the batch moves or fills; and if
// it moves a directory's clusters, no entry switched in the batch lies in them.
bool ChainMover::MayJoin(const DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count) const {
  if (pending_.empty()) return true;
  if (pending_.size() >= limits_.moves || pendingBytes_ >= limits_.bytes) return false;
  if (movedFiles_.contains(&file)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (freed_.contains(target + i)) return false;
  }
  const uint32_t last = std::min<uint32_t>(vcn + count, static_cast<uint32_t>(file.chain.size()));
  for (uint32_t i = vcn; i < last; ++i) {
    if (entryClusters_.contains(file.chain[i])) return false;
  }
  if (vcn == 0) {
    const uint32_t holder = EntryCluster(file.entryOffset);
    if (holder != 0 && (freed_.contains(holder) || targets_.contains(holder))) return false;
  }
  return true;
}

// The cache shows the move at once: the engine reads it back as done.
void ChainMover::Record(DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count) {
  Pending move{&file, vcn, {file.chain.begin() + vcn, file.chain.begin() + vcn + count}, target, 0, 0, file.entryOffset};
  move.following = image_.Next(move.old.back());
  move.previous = vcn > 0 ? file.chain[vcn - 1] : 0;
  for (uint32_t i = 0; i + 1 < count; ++i) image_.SetCachedNext(target + i, target + i + 1);
  image_.SetCachedNext(target + count - 1, move.following);
  if (vcn > 0) {
    image_.SetCachedNext(move.previous, target);
  } else {
    file.firstCluster = target;
    if (const uint32_t holder = EntryCluster(file.entryOffset)) entryClusters_.insert(holder);
  }
  // The old clusters stay in use in the answers until the batch is on the medium: they are
  // free there only once its switches are, and a later move of the batch must not target them.
  for (uint32_t cluster : move.old) freed_.insert(cluster);
  for (uint32_t i = 0; i < count; ++i) {
    file.chain[vcn + i] = target + i;
    targets_.insert(target + i);
  }
  if (file.IsDirectory()) FollowMovedEntries(file, move.old, target);
  movedFiles_.insert(&file);
  pendingBytes_ += count * image_.Geometry().ClusterBytes();
  pending_.push_back(std::move(move));
}

bool ChainMover::HoldsAny(uint32_t first, uint32_t count) const {
  const uint64_t end = std::min<uint64_t>(uint64_t{first} + count, uint64_t{image_.Geometry().dataClusters} + 2);
  for (uint64_t cluster = first; cluster < end; ++cluster) {
    if (freed_.contains(static_cast<uint32_t>(cluster))) return true;
  }
  return false;
}

uint32_t ChainMover::Move(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) {
  const Layout& layout = image_.Geometry();
  const fs_driver::FatMovePlan plan = fs_driver::PlanFatMove(
      {startVcn, count, targetLcn, layout.dataClusters, static_cast<int64_t>(file.chain.size()), file.IsDirectory(),
       &file == &image_.Root()},
      [this](int64_t lcn) { return image_.InUse(static_cast<uint32_t>(lcn + 2)); });
  if (plan.error == kInvalidParameter && HoldsAny(targetLcn + 2, count)) {
    // The targets are clusters this batch frees: free once it is committed.
    if (const uint32_t error = Commit()) return error;
    return Move(file, startVcn, targetLcn, count);
  }
  if (plan.error != kSuccess || plan.clusters == 0) return plan.error;
  const auto clusters = static_cast<uint32_t>(plan.clusters);
  if (!MayJoin(file, startVcn, targetLcn + 2, clusters)) {
    if (const uint32_t error = Commit()) return error;
  }
  Record(file, startVcn, targetLcn + 2, clusters);
  if (pending_.size() >= limits_.moves || pendingBytes_ >= limits_.bytes) return Commit();
  return kSuccess;
}

uint32_t ChainMover::MoveClusters(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) {
  if (const uint32_t error = Commit()) return error;
  if (const uint32_t error = Move(file, startVcn, targetLcn, count)) return error;
  return Commit();
}

// The order a power cut cannot break, for every move of the batch at once, each step on the
// medium (Flush) before the next begins: copy the data; write the new chains, each already
// linked to whatever followed its old clusters; switch the one pointer that leads into each
// range (a FAT entry, or the directory entry's first cluster); free the old clusters. Until a
// move's switch the file still reads its old clusters and the new ones are an unreferenced
// chain a check reclaims; after it the file reads the new clusters and the old ones are
// unreferenced until freed. So a cut or a write torn part-way harms nothing, except at a
// switch, which is one entry: its bytes lie in one sector but for a FAT12 entry on a sector
// boundary whose halves both change. The switches of one batch are independent of each other
// (no two lead into one file), so any subset of them on the medium is a sound volume.
uint32_t ChainMover::Commit() {
  if (pending_.empty()) return kSuccess;
  if (const uint32_t error = CopyData()) return error;
  if (!storage_.Flush()) return kWriteFault;
  if (!WriteNewChains() || !storage_.Flush()) return kWriteFault;
  if (!WriteSwitches() || !storage_.Flush()) return kWriteFault;
  if (!FreeOldClusters() || !storage_.Flush()) return kWriteFault;
  for (uint32_t cluster : freed_) image_.SetCachedNext(cluster, 0);
  pending_.clear();
  pendingBytes_ = 0;
  movedFiles_.clear();
  targets_.clear();
  freed_.clear();
  entryClusters_.clear();
  return kSuccess;
}

// The old clusters are read as the medium has them: no move of the batch wrote them.
uint32_t ChainMover::CopyData() const {
  const uint64_t clusterBytes = image_.Geometry().ClusterBytes();
  const auto copyClusters = static_cast<uint32_t>(std::max<uint64_t>(1, kCopyBytes / clusterBytes));
  std::vector<uint8_t> data;
  for (const Pending& move : pending_) {
    const auto count = static_cast<uint32_t>(move.old.size());
    for (uint32_t done = 0; done < count;) {
      const uint32_t n = RunLength(move.old, done, copyClusters);
      data.resize(static_cast<size_t>(n * clusterBytes));
      if (!storage_.Read(image_.ClusterOffset(move.old[done]), data.data(), data.size())) return kReadFault;
      if (!Write(image_.ClusterOffset(move.target + done), data.data(), data.size())) return kWriteFault;
      done += n;
    }
  }
  return kSuccess;
}

bool ChainMover::WriteNewChains() {
  const FatType type = image_.Geometry().type;
  for (const Pending& move : pending_) {
    const auto count = static_cast<uint32_t>(move.old.size());
    for (uint32_t i = 0; i + 1 < count; ++i) PutFatEntry(onMedium_, type, move.target + i, move.target + i + 1);
    PutFatEntry(onMedium_, type, move.target + count - 1, move.following);
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
  const FatType type = image_.Geometry().type;
  for (const Pending& move : pending_) {
    const auto count = static_cast<uint32_t>(move.old.size());
    for (uint32_t done = 0; done < count;) {
      const uint32_t n = RunLength(move.old, done, count);
      for (uint32_t i = 0; i < n; ++i) PutFatEntry(onMedium_, type, move.old[done + i], 0);
      if (!WriteMediumFatEntries(move.old[done], n)) return false;
      done += n;
    }
  }
  return true;
}

}  // namespace tarvonel::fat
