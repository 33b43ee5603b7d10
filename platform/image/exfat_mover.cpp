#include "platform/image/exfat_mover.h"

#include <algorithm>

#include "platform/fs_driver/fat_move_rules.h"
#include "platform/image/exfat_image.h"
#include "platform/image/volume_storage.h"
#include "platform/win32_errors.h"

namespace tarvonel::fat {
namespace {

using namespace win32_error;
using namespace exfat;
constexpr uint64_t kCopyBytes = 64 * 1024;  // read and written at once

uint32_t RunLength(const std::vector<uint32_t>& clusters, size_t from, size_t most) {
  uint32_t n = 1;
  while (n < most && from + n < clusters.size() && clusters[from + n] == clusters[from + n - 1] + 1) ++n;
  return n;
}

bool OneRun(const std::vector<uint32_t>& chain) { return chain.empty() || RunLength(chain, 0, chain.size()) == chain.size(); }

void PutU32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::unique_ptr<BatchMover> ExfatImage::MakeMover(VolumeStorage& storage) {
  return std::make_unique<ExfatMover>(*this, storage);
}

ExfatMover::ExfatMover(ExfatImage& image, VolumeStorage& storage, BatchLimits limits)
    : image_(image),
      storage_(storage),
      limits_(limits),
      bitmapOnMedium_(image.CachedBitmap()),
      lost_(image.LostClusterList()) {}

bool ExfatMover::Write(uint64_t offset, const void* bytes, size_t length) const {
  const Layout& layout = image_.Geometry();
  const uint64_t volumeBytes = layout.totalSectors * layout.bytesPerSector;
  if (offset > volumeBytes || length > volumeBytes - offset) return false;
  return storage_.Write(offset, bytes, length);
}

uint32_t ExfatMover::ClusterAt(uint64_t offset) const {
  const Layout& layout = image_.Geometry();
  return static_cast<uint32_t>((offset - layout.dataOffset) / layout.ClusterBytes()) + 2;
}

bool ExfatMover::HoldsAny(uint32_t first, uint32_t count) const {
  const uint64_t end = std::min<uint64_t>(uint64_t{first} + count, uint64_t{image_.Geometry().dataClusters} + 2);
  for (uint64_t cluster = first; cluster < end; ++cluster) {
    if (freed_.contains(static_cast<uint32_t>(cluster))) return true;
  }
  return false;
}

// As on FAT, a move joins the batch only when nothing it reads or writes was written or freed
// by an earlier move of the batch: its file was not moved in it, its targets were free before
// it began, the entry set it switches lies in no cluster the batch moves or fills, and a
// folder's clusters it moves hold no set the batch switches.
bool ExfatMover::MayJoin(const DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count) const {
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
  for (uint64_t offset : file.setOffsets) {
    const uint32_t holder = ClusterAt(offset);
    if (freed_.contains(holder) || targets_.contains(holder)) return false;
  }
  return true;
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
void ExfatMover::Record(DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count) {
  Pending move{&file, {file.chain.begin() + vcn, file.chain.begin() + vcn + count}, target, 0, false};
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
  if (move.previous == 0) {
    for (uint64_t offset : file.setOffsets) entryClusters_.insert(ClusterAt(offset));
  }
  for (uint32_t i = 0; i < count; ++i) {
    image_.SetCachedInUse(target + i, true);
    targets_.insert(target + i);
  }
  // The old clusters stay in use in the answers until the batch is on the medium.
  for (uint32_t cluster : move.old) freed_.insert(cluster);
  if (file.IsDirectory()) FollowMovedEntries(file, move.old, target);
  movedFiles_.insert(&file);
  pendingBytes_ += count * image_.Geometry().ClusterBytes();
  pending_.push_back(std::move(move));
}

uint32_t ExfatMover::Move(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) {
  const Layout& layout = image_.Geometry();
  const fs_driver::FatMovePlan plan = fs_driver::PlanFatMove(
      {startVcn, count, targetLcn, layout.dataClusters, static_cast<int64_t>(file.chain.size()), file.IsDirectory(),
       &file == &image_.Root()},
      [this](int64_t lcn) { return image_.InUse(static_cast<uint32_t>(lcn + 2)); });
  if (plan.error == kInvalidParameter && HoldsAny(targetLcn + 2, count)) {
    if (const uint32_t error = Commit()) return error;
    return Move(file, startVcn, targetLcn, count);
  }
  if (plan.error != kSuccess || plan.clusters == 0) return plan.error;
  const auto clusters = static_cast<uint32_t>(plan.clusters);
  const bool setChanges = file.noFatChain || startVcn == 0;
  if (setChanges && !image_.StartCanMove(file)) {
    keptAtStart_.insert(&file);
    return kAccessDenied;
  }
  if (!MayJoin(file, startVcn, targetLcn + 2, clusters)) {
    if (const uint32_t error = Commit()) return error;
  }
  Record(file, startVcn, targetLcn + 2, clusters);
  if (pending_.size() >= limits_.moves || pendingBytes_ >= limits_.bytes) return Commit();
  return kSuccess;
}

// The order a power cut cannot break, for every move of the batch at once, each step on the
// medium (Flush) before the next begins:
//  1. copy the data to the new clusters;
//  2. mark them in use in the allocation bitmap, and write the FAT chain the file will have
//     (the new run's entries, or the whole chain of a file leaving NoFatChain);
//  3. switch the one pointer into each range: the FAT entry before it, or the stream
//     extension's first cluster and NoFatChain with the set's checksum, in one write inside
//     one sector (sets that do not allow this are refused in Move);
//  4. clear the old clusters in the bitmap.
// Until a switch the file reads its old clusters, and the new ones are in use for no file (a
// check reclaims them); after it the file reads the new ones and the old are in use for none
// until step 4. The FAT entries step 2 writes belong to free clusters or to a file whose
// stream says NoFatChain until its switch: nothing reads them before. No two switches of a
// batch lead into one file, so any subset of them on the medium is a sound volume.
uint32_t ExfatMover::Commit() {
  if (pending_.empty()) return kSuccess;
  if (!FreeLostClusters()) return kWriteFault;
  if (const uint32_t error = CopyData()) return error;
  if (!storage_.Flush()) return kWriteFault;
  if (!Allocate() || !storage_.Flush()) return kWriteFault;
  if (!WriteSwitches() || !storage_.Flush()) return kWriteFault;
  if (!FreeOldClusters() || !storage_.Flush()) return kWriteFault;
  for (uint32_t cluster : freed_) image_.SetCachedInUse(cluster, false);
  pending_.clear();
  pendingBytes_ = 0;
  movedFiles_.clear();
  targets_.clear();
  freed_.clear();
  entryClusters_.clear();
  return kSuccess;
}

// Clusters in use that no file holds are what a cut move leaves behind (its new clusters, or
// its old ones before they were cleared); fsck.exfat leaves them so. The first commit frees
// them, on its own barrier: a cluster no file holds may be freed at any moment.
bool ExfatMover::FreeLostClusters() {
  if (lost_.empty()) return true;
  const std::vector<uint32_t>& lost = lost_;
  for (size_t done = 0; done < lost.size();) {
    const uint32_t n = RunLength(lost, done, lost.size());
    if (!WriteBitmapBits(lost[done], n, false)) return false;
    done += n;
  }
  if (!storage_.Flush()) return false;
  for (uint32_t cluster : lost) image_.SetCachedInUse(cluster, false);
  image_.ForgetLostClusters();
  lost_.clear();
  return true;
}

uint32_t ExfatMover::CopyData() const {
  const uint64_t clusterBytes = image_.Geometry().ClusterBytes();
  const auto copyClusters = static_cast<uint32_t>(std::max<uint64_t>(1, kCopyBytes / clusterBytes));
  std::vector<uint8_t> data;
  for (const Pending& move : pending_) {
    for (size_t done = 0; done < move.old.size();) {
      const uint32_t n = RunLength(move.old, done, copyClusters);
      data.resize(static_cast<size_t>(n * clusterBytes));
      if (!storage_.Read(image_.ClusterOffset(move.old[done]), data.data(), data.size())) return kReadFault;
      if (!Write(image_.ClusterOffset(move.target + static_cast<uint32_t>(done)), data.data(), data.size())) {
        return kWriteFault;
      }
      done += n;
    }
  }
  return kSuccess;
}

bool ExfatMover::WriteFatEntries(uint32_t first, const uint32_t* values, size_t count) const {
  std::vector<uint8_t> bytes(4 * count);
  for (size_t i = 0; i < count; ++i) PutU32(bytes.data() + 4 * i, values[i]);
  return Write(image_.Geometry().fatOffset + 4 * uint64_t{first}, bytes.data(), bytes.size());
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
      for (size_t done = 0; done < file.chain.size();) {
        const uint32_t n = RunLength(file.chain, done, file.chain.size());
        std::vector<uint32_t> next(n);
        for (uint32_t i = 0; i < n; ++i) {
          next[i] = done + i + 1 < file.chain.size() ? file.chain[done + i + 1] : kEndOfChain;
        }
        if (!WriteFatEntries(file.chain[done], next.data(), n)) return false;
        done += n;
      }
    } else {
      std::vector<uint32_t> next(count);
      for (uint32_t i = 0; i < count; ++i) next[i] = image_.Next(move.target + i);
      if (!WriteFatEntries(move.target, next.data(), count)) return false;
    }
  }
  return true;
}

// The file entry's checksum and the stream extension's flags and first cluster, from the set
// as the medium holds it (no earlier move of the batch changed it), in one write.
bool ExfatMover::WriteStreamSwitch(const DirEntry& file) const {
  std::vector<uint8_t> set(file.setOffsets.size() * kEntryBytes);
  for (size_t i = 0; i < file.setOffsets.size(); ++i) {
    if (!storage_.Read(file.setOffsets[i], set.data() + i * kEntryBytes, kEntryBytes)) return false;
  }
  uint8_t* stream = set.data() + kEntryBytes;
  stream[kStreamFlags] = static_cast<uint8_t>(file.noFatChain ? stream[kStreamFlags] | kNoFatChain
                                                              : stream[kStreamFlags] & ~kNoFatChain);
  PutU32(stream + kStreamFirstCluster, file.firstCluster);
  const uint16_t checksum = SetChecksum(set.data(), file.setOffsets.size());
  set[kSetChecksum] = static_cast<uint8_t>(checksum);
  set[kSetChecksum + 1] = static_cast<uint8_t>(checksum >> 8);
  // From the checksum to the end of the first cluster field: inside the one sector.
  return Write(file.setOffsets[0] + kSetChecksum, set.data() + kSetChecksum,
               kEntryBytes + kStreamFirstCluster + 4 - kSetChecksum);
}

bool ExfatMover::WriteSwitches() {
  for (const Pending& move : pending_) {
    const bool switched = move.previous != 0 ? WriteFatEntries(move.previous, &move.target, 1)
                                             : WriteStreamSwitch(*move.file);
    if (!switched) return false;
  }
  return true;
}

bool ExfatMover::FreeOldClusters() {
  for (const Pending& move : pending_) {
    for (size_t done = 0; done < move.old.size();) {
      const uint32_t n = RunLength(move.old, done, move.old.size());
      if (!WriteBitmapBits(move.old[done], n, false)) return false;
      done += n;
    }
  }
  return true;
}

}  // namespace tarvonel::fat
