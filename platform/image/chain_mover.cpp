#include "platform/image/chain_mover.h"

#include <algorithm>
#include <vector>

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

// Whatever the image file or device holds beyond the volume belongs to someone else.
bool ChainMover::Write(uint64_t offset, const void* bytes, size_t length) {
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

// Writes the cached bytes [begin, end) of the FAT into every copy, the first copy first, so
// that the first copy is never behind: a check after a cut between the copies keeps the first.
bool ChainMover::WriteFatBytes(size_t begin, size_t end) {
  const Layout& layout = image_.Geometry();
  const uint8_t* bytes = image_.CachedFatBytes().data() + begin;
  for (uint32_t copy = 0; copy < layout.numFats; ++copy) {
    if (!Write(layout.fatOffset + copy * layout.fatBytes + begin, bytes, end - begin)) return false;
  }
  return true;
}

bool ChainMover::WriteFatEntries(uint32_t first, uint32_t count) {
  const auto [begin, end] = EntryBytes(first, first + count - 1);
  return WriteFatBytes(begin, end);
}

// Points FAT[previous] at `target`, writing only the bytes that change: a FAT12 entry that
// straddles two sectors then is a write to one sector whenever one of its halves keeps its value.
bool ChainMover::SwitchFatEntry(uint32_t previous, uint32_t target) {
  const auto [first, end] = EntryBytes(previous, previous);
  const std::vector<uint8_t>& fat = image_.CachedFatBytes();
  const std::vector<uint8_t> before(fat.begin() + static_cast<ptrdiff_t>(first), fat.begin() + static_cast<ptrdiff_t>(end));
  image_.SetCachedNext(previous, target);
  size_t begin = first;
  size_t last = end;
  while (begin < last && fat[begin] == before[begin - first]) ++begin;
  while (last > begin && fat[last - 1] == before[last - 1 - first]) --last;
  return WriteFatBytes(begin, last);
}

bool ChainMover::SwitchHead(DirEntry& file, uint32_t vcn, uint32_t firstTarget) {
  if (vcn > 0) return SwitchFatEntry(file.chain[vcn - 1], firstTarget);
  // The directory entry's first-cluster fields: bytes 20-21 (high word, FAT32 only) and 26-27,
  // both inside the one 32-byte entry, so one write inside one sector.
  uint8_t fields[8];
  if (!storage_.Read(file.entryOffset + 20, fields, sizeof fields)) return false;
  if (image_.Geometry().type == FatType::Fat32) {
    fields[0] = static_cast<uint8_t>(firstTarget >> 16);
    fields[1] = static_cast<uint8_t>(firstTarget >> 24);
  }
  fields[6] = static_cast<uint8_t>(firstTarget);
  fields[7] = static_cast<uint8_t>(firstTarget >> 8);
  if (!Write(file.entryOffset + 20, fields, sizeof fields)) return false;
  file.firstCluster = firstTarget;
  return true;
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

uint32_t ChainMover::MoveClusters(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) {
  const Layout& layout = image_.Geometry();
  const fs_driver::FatMovePlan plan = fs_driver::PlanFatMove(
      {startVcn, count, targetLcn, layout.dataClusters, static_cast<int64_t>(file.chain.size()), file.IsDirectory(),
       &file == &image_.Root()},
      [this](int64_t lcn) { return image_.InUse(static_cast<uint32_t>(lcn + 2)); });
  if (plan.error != kSuccess || plan.clusters == 0) return plan.error;
  return MoveRange(file, startVcn, targetLcn + 2, static_cast<uint32_t>(plan.clusters));
}

// The order a power cut cannot break: copy the data; write the new chain, already linked to
// whatever followed the old clusters; switch the one pointer that leads into them; free them.
// Each step is on the medium (Flush) before the next begins. Until the switch the file still
// reads its old clusters and the new ones are an unreferenced chain a check reclaims; after it
// the file reads the new clusters and the old ones are unreferenced. So a write torn part-way (a
// step's writes span sectors) harms nothing either, except at the switch, which is one entry:
// its bytes lie in one sector but for a FAT12 entry on a sector boundary whose halves both
// change. The range may span several runs of the file: in chain order it is still one piece
// with one pointer into it.
uint32_t ChainMover::MoveRange(DirEntry& file, uint32_t vcn, uint32_t target, uint32_t count) {
  const std::vector<uint32_t> old(file.chain.begin() + vcn, file.chain.begin() + vcn + count);
  const uint64_t clusterBytes = image_.Geometry().ClusterBytes();
  const auto copyClusters = static_cast<uint32_t>(std::max<uint64_t>(1, kCopyBytes / clusterBytes));
  std::vector<uint8_t> data;
  for (uint32_t done = 0; done < count;) {
    const uint32_t n = RunLength(old, done, copyClusters);
    data.resize(static_cast<size_t>(n * clusterBytes));
    if (!storage_.Read(image_.ClusterOffset(old[done]), data.data(), data.size())) return kReadFault;
    if (!Write(image_.ClusterOffset(target + done), data.data(), data.size())) return kWriteFault;
    done += n;
  }
  if (!storage_.Flush()) return kWriteFault;

  const uint32_t following = image_.Next(old.back());  // the next cluster, or end of chain
  for (uint32_t i = 0; i + 1 < count; ++i) image_.SetCachedNext(target + i, target + i + 1);
  image_.SetCachedNext(target + count - 1, following);
  if (!WriteFatEntries(target, count) || !storage_.Flush()) return kWriteFault;

  if (!SwitchHead(file, vcn, target) || !storage_.Flush()) return kWriteFault;
  for (uint32_t i = 0; i < count; ++i) file.chain[vcn + i] = target + i;
  if (file.IsDirectory()) FollowMovedEntries(file, old, target);

  for (uint32_t done = 0; done < count;) {
    const uint32_t n = RunLength(old, done, count);
    for (uint32_t i = 0; i < n; ++i) image_.SetCachedNext(old[done + i], 0);
    if (!WriteFatEntries(old[done], n)) return kWriteFault;
    done += n;
  }
  return storage_.Flush() ? kSuccess : kWriteFault;
}

}  // namespace tarvonel::fat
