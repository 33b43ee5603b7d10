#include "filesystems/exfat/exfat_mover.h"

#include <algorithm>

#include "base/little_endian.h"
#include "base/win32_errors.h"
#include "filesystems/cluster_run.h"
#include "filesystems/exfat/entry_set.h"
#include "filesystems/exfat/exfat_image.h"
#include "filesystems/sector_source.h"

namespace tarvonel::exfat {
namespace {

using namespace win32_error;
using fs::BatchLimits;
using fs::BatchMover;
using fs::DirEntry;
using fs::VolumeStorage;

// Whether the clusters follow one another on the volume.
bool OneRun(const std::vector<uint32_t>& clusters) {
  return !clusters.empty() && fs::RunAt(clusters, 0).count == clusters.size();
}

}  // namespace

std::unique_ptr<BatchMover> ExfatImage::MakeMover(VolumeStorage& storage) {
  return std::make_unique<ExfatMover>(*this, storage);
}

ExfatMover::ExfatMover(ExfatImage& image, VolumeStorage& storage, BatchLimits limits)
    : BatchedMover(image, storage, limits),
      image_(image),
      bitmapOnMedium_(image.CachedBitmap()),
      lost_(image.LostClusterList()) {}

bool ExfatMover::InUse(uint32_t cluster) const { return image_.InUse(cluster); }

// A move that changes the set changes its stream extension: the first cluster, or NoFatChain.
bool ExfatMover::SwitchesEntry(const DirEntry& file, uint32_t startVcn) const { return file.noFatChain || startVcn == 0; }

// The set's clusters and, for a set rewritten elsewhere when it cannot change in place, its
// folder's: a batch that moves the folder must be on the medium before the new place is sought.
std::vector<uint32_t> ExfatMover::EntryClusters(const DirEntry& file) const {
  std::vector<uint32_t> holders;
  for (uint64_t offset : file.setOffsets) holders.push_back(ClusterAt(offset));
  const DirEntry* folder = image_.FolderOf(file);
  if (!image_.ChangesInPlace(file) && folder != nullptr) holders.insert(holders.end(), folder->chain.begin(), folder->chain.end());
  return holders;
}

// Where entry `index` of the folder lies on the volume.
uint64_t ExfatMover::EntryOffset(const DirEntry& folder, size_t index) const {
  return image_.OffsetIn(folder, uint64_t{index} * kEntryBytes);
}

// A set that cannot change in place is written anew inside one sector of its folder, in entries
// not in use, but only when the whole file moves: the old set and the new one then share no
// cluster, so a cut between writing the new one and deleting the old leaves two whole copies
// (see WriteBatch). A set holding a vendor's clusters is not copied. The folder is read as the
// medium holds it: no move of the batch changed it (EntryClusters).
std::optional<uint64_t> ExfatMover::PlaceNewSet(const DirEntry& file, uint32_t vcn, size_t count) {
  const DirEntry* folder = image_.FolderOf(file);
  if (folder == nullptr || file.IsDirectory() || vcn != 0 || count != file.chain.size()) return std::nullopt;
  for (uint64_t offset : file.setOffsets) {
    uint8_t type = 0;
    if (!storage_.Read(offset + kEntryType, &type, 1) || type == kVendorAllocation) return std::nullopt;
  }
  const uint64_t clusterBytes = image_.Geometry().ClusterBytes();
  std::vector<uint8_t> entries(static_cast<size_t>(folder->chain.size() * clusterBytes));
  for (size_t i = 0; i < folder->chain.size(); ++i) {
    if (!storage_.Read(image_.ClusterOffset(folder->chain[i]), entries.data() + i * clusterBytes, static_cast<size_t>(clusterBytes))) {
      return std::nullopt;
    }
  }
  entries.resize(static_cast<size_t>(std::min<uint64_t>(folder->size, entries.size())));
  // Only one new set per batch may take a folder's end marker: were a later one on the medium
  // without the earlier, it would lie behind an unused entry.
  const std::optional<size_t> index =
      FreeRunForSet(entries, file.setOffsets.size(), image_.Geometry().bytesPerSector, !endTaken_.contains(folder),
                    [&](size_t i) { return reserved_.contains(EntryOffset(*folder, i)); });
  if (!index) return std::nullopt;
  for (size_t i = *index; i < *index + file.setOffsets.size(); ++i) {
    if (entries[i * kEntryBytes + kEntryType] == kEndOfDirectory) endTaken_.insert(folder);
    reserved_.insert(EntryOffset(*folder, i));
  }
  return EntryOffset(*folder, *index);
}

// A folder's entry sets now lie in its new clusters: a later move of one of its files must
// switch the set where it is.
void ExfatMover::FollowMovedEntries(DirEntry& directory, const std::vector<uint32_t>& old, uint32_t target) const {
  for (DirEntry& child : directory.children) {
    for (uint64_t& offset : child.setOffsets) {
      const uint32_t holder = ClusterAt(offset);
      const auto at = std::find(old.begin(), old.end(), holder);
      if (at == old.end()) continue;
      offset = image_.ClusterOffset(target + static_cast<uint32_t>(at - old.begin())) + (offset - image_.ClusterOffset(holder));
    }
    child.entryOffset = child.setOffsets.front();
  }
}

// The answers show the move at once; the medium has it when the batch is committed.
uint32_t ExfatMover::Record(DirEntry& file, uint32_t vcn, const std::vector<uint32_t>& old, uint32_t target) {
  const auto count = static_cast<uint32_t>(old.size());
  Pending move{&file, old, target, 0, false, std::nullopt};
  if (SwitchesEntry(file, vcn) && !image_.ChangesInPlace(file)) {
    move.newSet = PlaceNewSet(file, vcn, count);
    if (!move.newSet) {
      keptAtStart_.insert(&file);
      return kAccessDenied;
    }
  }
  const bool wasOneRun = file.noFatChain;
  for (uint32_t i = 0; i < count; ++i) file.chain[vcn + i] = target + i;
  file.firstCluster = file.chain.front();
  const bool staysOneRun = wasOneRun && OneRun(file.chain);
  if (!staysOneRun) {
    move.chainWhole = wasOneRun;
    for (size_t i = 0; i + 1 < file.chain.size(); ++i) image_.SetCachedNext(file.chain[i], file.chain[i + 1]);
    image_.SetCachedNext(file.chain.back(), kEndOfChain);
  }
  file.noFatChain = staysOneRun;
  move.previous = !wasOneRun && vcn > 0 ? file.chain[vcn - 1] : 0;
  for (uint32_t i = 0; i < count; ++i) image_.SetCachedInUse(target + i, true);
  if (file.IsDirectory()) FollowMovedEntries(file, move.old, target);
  pending_.push_back(std::move(move));
  return kSuccess;
}

// The steps of the class comment, each flushed before the next.
uint32_t ExfatMover::WriteBatch() {
  if (!TidyLeftovers()) return kWriteFault;
  for (const Pending& move : pending_) {
    if (const uint32_t error = CopyClusters(move.old, move.target)) return error;
  }
  if (!storage_.Flush()) return kWriteFault;
  if (!Allocate() || !storage_.Flush()) return kWriteFault;
  if (!WriteSwitches() || !storage_.Flush()) return kWriteFault;
  const bool rewritten = std::any_of(pending_.begin(), pending_.end(), [](const Pending& m) { return m.newSet.has_value(); });
  if (rewritten) {
    for (const Pending& move : pending_) {
      if (move.newSet && !ClearInUse(move.file->setOffsets.front())) return kWriteFault;
    }
    if (!storage_.Flush()) return kWriteFault;
    for (const Pending& move : pending_) {
      if (!move.newSet) continue;
      for (size_t i = 1; i < move.file->setOffsets.size(); ++i) {
        if (!ClearInUse(move.file->setOffsets[i])) return kWriteFault;
      }
    }
    if (!storage_.Flush()) return kWriteFault;
  }
  if (!FreeOldClusters() || !storage_.Flush()) return kWriteFault;
  for (const Pending& move : pending_) {
    if (!move.newSet) continue;
    DirEntry& file = *move.file;
    for (size_t i = 0; i < file.setOffsets.size(); ++i) file.setOffsets[i] = *move.newSet + i * kEntryBytes;
    file.entryOffset = file.setOffsets.front();
  }
  return kSuccess;
}

void ExfatMover::Committed(const std::unordered_set<uint32_t>& freed) {
  for (uint32_t cluster : freed) image_.SetCachedInUse(cluster, false);
  pending_.clear();
  reserved_.clear();
  endTaken_.clear();
}

// Clears the in-use bit of the entry type at `offset`, as the medium has it.
bool ExfatMover::ClearInUse(uint64_t offset) const {
  uint8_t type = 0;
  if (!storage_.Read(offset, &type, 1)) return false;
  type = static_cast<uint8_t>(type & ~kInUse);
  return Write(offset, &type, 1);
}

// What interrupted moves left, as the volume was read: the entries of old sets (each file
// entry first, then the rest, so that no step leaves a set whose checksum fails), then clusters
// in use that no file holds (a cut move's new clusters, or its old ones before they were
// cleared; fsck.exfat leaves them so). Each on a barrier of its own, at the first commit:
// nothing any file needs.
bool ExfatMover::TidyLeftovers() {
  const std::vector<ExfatImage::Leftover>& leftovers = image_.Leftovers();
  if (!leftovers.empty()) {
    for (const ExfatImage::Leftover& leftover : leftovers) {
      if (leftover.primary && !ClearInUse(leftover.offsets.front())) return false;
    }
    if (!storage_.Flush()) return false;
    for (const ExfatImage::Leftover& leftover : leftovers) {
      for (size_t i = leftover.primary ? 1 : 0; i < leftover.offsets.size(); ++i) {
        if (!ClearInUse(leftover.offsets[i])) return false;
      }
    }
    if (!storage_.Flush()) return false;
    image_.ForgetLeftovers();
  }
  if (lost_.empty()) return true;
  if (!FreeInBitmap(lost_) || !storage_.Flush()) return false;
  for (uint32_t cluster : lost_) image_.SetCachedInUse(cluster, false);
  image_.ForgetLostClusters();
  lost_.clear();
  return true;
}

bool ExfatMover::WriteFatEntries(uint32_t first, const uint32_t* values, size_t count) const {
  std::vector<uint8_t> bytes(kFatEntryBytes * count);
  for (size_t i = 0; i < count; ++i) le::Put32(bytes.data() + kFatEntryBytes * i, values[i]);
  return Write(image_.Geometry().fatOffset + kFatEntryBytes * uint64_t{first}, bytes.data(), bytes.size());
}

// Bits of clusters [first, first + count) as the medium's bitmap holds them, then those bytes
// written where the bitmap's clusters lie.
bool ExfatMover::WriteBitmapBits(uint32_t first, uint32_t count, bool used) {
  for (uint32_t cluster = first; cluster < first + count; ++cluster) {
    const uint32_t bit = cluster - 2;
    const auto mask = static_cast<uint8_t>(1u << (bit % 8));
    uint8_t& byte = bitmapOnMedium_[bit / 8];
    byte = static_cast<uint8_t>(used ? byte | mask : byte & ~mask);
  }
  const uint64_t clusterBytes = image_.Geometry().ClusterBytes();
  uint64_t index = (first - 2) / 8;
  const uint64_t end = (uint64_t{first} - 2 + count + 7) / 8;
  while (index < end) {
    const uint64_t piece = std::min(end - index, clusterBytes - index % clusterBytes);
    if (!Write(image_.BitmapByteOffset(index), bitmapOnMedium_.data() + index, static_cast<size_t>(piece))) return false;
    index += piece;
  }
  return true;
}

bool ExfatMover::Allocate() {
  for (const Pending& move : pending_) {
    const auto count = static_cast<uint32_t>(move.old.size());
    if (!WriteBitmapBits(move.target, count, true)) return false;
    const DirEntry& file = *move.file;
    if (file.noFatChain) continue;  // stays one run without a chain
    if (move.chainWhole) {
      const bool written = fs::ForEachRun(file.chain, SIZE_MAX, [&](fs::ClusterRun run, size_t done) {
        std::vector<uint32_t> next(run.count);
        for (uint32_t i = 0; i < run.count; ++i) {
          next[i] = done + i + 1 < file.chain.size() ? file.chain[done + i + 1] : kEndOfChain;
        }
        return WriteFatEntries(run.first, next.data(), run.count);
      });
      if (!written) return false;
    } else {
      std::vector<uint32_t> next(count);
      for (uint32_t i = 0; i < count; ++i) next[i] = image_.Next(move.target + i);
      if (!WriteFatEntries(move.target, next.data(), count)) return false;
    }
  }
  return true;
}

// The set as the medium holds it (no earlier move of the batch changed it), with the stream
// extension's NoFatChain and first cluster as the move leaves them, and its checksum.
std::optional<std::vector<uint8_t>> ExfatMover::SwitchedSet(const DirEntry& file) const {
  std::vector<uint8_t> set(file.setOffsets.size() * kEntryBytes);
  for (size_t i = 0; i < file.setOffsets.size(); ++i) {
    if (!storage_.Read(file.setOffsets[i], set.data() + i * kEntryBytes, kEntryBytes)) return std::nullopt;
  }
  uint8_t* stream = set.data() + kEntryBytes;
  stream[kStreamFlags] = static_cast<uint8_t>(file.noFatChain ? stream[kStreamFlags] | kNoFatChain
                                                              : stream[kStreamFlags] & ~kNoFatChain);
  le::Put32(stream + kStreamFirstCluster, file.firstCluster);
  le::Put16(set.data() + kSetChecksum, SetChecksum(set.data(), file.setOffsets.size()));
  return set;
}

bool ExfatMover::WriteSwitches() {
  for (const Pending& move : pending_) {
    if (move.previous != 0) {
      if (!WriteFatEntries(move.previous, &move.target, 1)) return false;
      continue;
    }
    const std::optional<std::vector<uint8_t>> set = SwitchedSet(*move.file);
    if (!set) return false;
    // The new set whole, or from the checksum to the end of the first cluster field: either
    // way inside one sector.
    const bool written = move.newSet ? Write(*move.newSet, set->data(), set->size())
                                     : Write(move.file->setOffsets[0] + kSetChecksum, set->data() + kSetChecksum, kSwitchBytes);
    if (!written) return false;
  }
  return true;
}

bool ExfatMover::FreeOldClusters() {
  for (const Pending& move : pending_) {
    if (!FreeInBitmap(move.old)) return false;
  }
  return true;
}

bool ExfatMover::FreeInBitmap(const std::vector<uint32_t>& clusters) {
  return fs::ForEachRun(clusters, SIZE_MAX,
                        [&](fs::ClusterRun run, size_t) { return WriteBitmapBits(run.first, run.count, false); });
}

}  // namespace tarvonel::exfat
