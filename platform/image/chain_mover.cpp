#include "platform/image/chain_mover.h"

#include <algorithm>
#include <vector>

#include "platform/image/fat_image.h"
#include "platform/image/volume_storage.h"

namespace tarvonel::fat {
namespace {

constexpr uint32_t kSuccess = 0;
constexpr uint32_t kWriteFault = 29;
constexpr uint32_t kReadFault = 30;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint64_t kPassBytes = 64 * 1024;  // the Windows driver's defrag chunk

}  // namespace

// Whatever the image file or device holds beyond the volume belongs to someone else.
bool ChainMover::Write(uint64_t offset, const void* bytes, size_t length) {
  const Layout& layout = image_.Geometry();
  const uint64_t volumeBytes = layout.totalSectors * layout.bytesPerSector;
  if (offset > volumeBytes || length > volumeBytes - offset) return false;
  return storage_.Write(offset, bytes, length);
}

// Writes the cached entries first .. first + count - 1 into every FAT copy, the first copy
// first, so that the first copy is never behind: a check after a cut between the copies keeps
// the first.
bool ChainMover::WriteFatEntries(uint32_t first, uint32_t count) {
  const Layout& layout = image_.Geometry();
  const uint32_t last = first + count - 1;
  // The bytes that hold the entries: FAT12 entries share a byte with their neighbours.
  uint64_t begin = 0;
  uint64_t end = 0;
  switch (layout.type) {
    case FatType::Fat12: begin = first + first / 2; end = uint64_t{last} + last / 2 + 2; break;
    case FatType::Fat16: begin = 2 * uint64_t{first}; end = 2 * uint64_t{last} + 2; break;
    case FatType::Fat32: begin = 4 * uint64_t{first}; end = 4 * uint64_t{last} + 4; break;
  }
  const uint8_t* bytes = image_.CachedFatBytes().data() + begin;
  for (uint32_t copy = 0; copy < layout.numFats; ++copy) {
    if (!Write(layout.fatOffset + copy * layout.fatBytes + begin, bytes, static_cast<size_t>(end - begin))) return false;
  }
  return true;
}

bool ChainMover::SwitchHead(DirEntry& file, uint32_t vcn, uint32_t firstTarget) {
  if (vcn > 0) {
    image_.SetCachedNext(file.chain[vcn - 1], firstTarget);
    return WriteFatEntries(file.chain[vcn - 1], 1);
  }
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

uint32_t ChainMover::MoveClusters(DirEntry& file, uint32_t startVcn, uint32_t targetLcn, uint32_t count) {
  const Layout& layout = image_.Geometry();
  if (count == 0 || uint64_t{targetLcn} + count > layout.dataClusters || startVcn >= layout.dataClusters) {
    return kInvalidParameter;
  }
  if (file.chain.empty() && file.IsDirectory()) return kInvalidParameter;  // the fixed root
  if (file.IsDirectory() && startVcn == 0) return kInvalidParameter;       // "." and ".." name it
  if (startVcn >= file.chain.size()) return kSuccess;                      // past the end: nothing
  count = std::min<uint32_t>(count, static_cast<uint32_t>(file.chain.size()) - startVcn);
  // All targets free before anything is written, so a refused move changes nothing.
  for (uint32_t i = 0; i < count; ++i) {
    if (image_.InUse(targetLcn + 2 + i)) return kInvalidParameter;
  }
  const uint32_t passClusters = static_cast<uint32_t>(std::max<uint64_t>(1, kPassBytes / layout.ClusterBytes()));
  for (uint32_t done = 0; done < count;) {
    const uint32_t vcn = startVcn + done;
    // A pass stays inside one 64 KiB piece of the file and one run of its clusters.
    uint32_t n = std::min(count - done, passClusters - vcn % passClusters);
    for (uint32_t i = 1; i < n; ++i) {
      if (file.chain[vcn + i] != file.chain[vcn + i - 1] + 1) {
        n = i;
        break;
      }
    }
    const uint32_t result = MovePass(file, vcn, targetLcn + done + 2, n);
    if (result != kSuccess) return result;
    done += n;
  }
  return kSuccess;
}

// The order a power cut cannot break: copy the data; write the new chain, already linked to
// whatever followed the old run; switch the one pointer that leads into the run; free the old
// clusters. Each step is on the medium (Flush) before the next begins. Until the switch the file
// still reads its old clusters and the new ones are an unreferenced chain a check reclaims;
// after it the file reads the new clusters and the old ones are unreferenced. So a write torn
// part-way (a step's writes span sectors) harms nothing either, except at the switch, which is
// one entry: its bytes lie in one sector but for a FAT12 entry on a sector boundary.
uint32_t ChainMover::MovePass(DirEntry& file, uint32_t vcn, uint32_t target, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) {
    if (image_.InUse(target + i)) return kInvalidParameter;
  }
  // A pass lies inside one run of the file and goes to one run of free clusters.
  const uint32_t source = file.chain[vcn];
  std::vector<uint8_t> data(static_cast<size_t>(n * image_.Geometry().ClusterBytes()));
  if (!storage_.Read(image_.ClusterOffset(source), data.data(), data.size())) return kReadFault;
  if (!Write(image_.ClusterOffset(target), data.data(), data.size()) || !storage_.Flush()) return kWriteFault;

  const uint32_t following = image_.Next(source + n - 1);  // the next cluster, or end of chain
  for (uint32_t i = 0; i + 1 < n; ++i) image_.SetCachedNext(target + i, target + i + 1);
  image_.SetCachedNext(target + n - 1, following);
  if (!WriteFatEntries(target, n) || !storage_.Flush()) return kWriteFault;

  if (!SwitchHead(file, vcn, target) || !storage_.Flush()) return kWriteFault;
  for (uint32_t i = 0; i < n; ++i) file.chain[vcn + i] = target + i;

  for (uint32_t i = 0; i < n; ++i) image_.SetCachedNext(source + i, 0);
  return WriteFatEntries(source, n) && storage_.Flush() ? kSuccess : kWriteFault;
}

}  // namespace tarvonel::fat
