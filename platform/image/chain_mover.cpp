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

// Writes one FAT entry into every FAT copy, the first copy first, so that the first copy is
// never behind: a check after a cut between the copies keeps the first.
bool ChainMover::WriteFatEntry(uint32_t cluster, uint32_t value) {
  const Layout& layout = image_.Geometry();
  image_.SetCachedNext(cluster, value);
  const std::vector<uint8_t>& fat = image_.CachedFatBytes();
  // The bytes that hold the entry: FAT12 entries share a byte with their neighbour.
  uint64_t at = 0;
  size_t length = 0;
  switch (layout.type) {
    case FatType::Fat12: at = cluster + cluster / 2; length = 2; break;
    case FatType::Fat16: at = 2 * uint64_t{cluster}; length = 2; break;
    case FatType::Fat32: at = 4 * uint64_t{cluster}; length = 4; break;
  }
  for (uint32_t copy = 0; copy < layout.numFats; ++copy) {
    if (!Write(layout.fatOffset + copy * layout.fatBytes + at, fat.data() + at, length)) return false;
  }
  return true;
}

bool ChainMover::SwitchHead(DirEntry& file, uint32_t vcn, uint32_t firstTarget) {
  if (vcn > 0) return WriteFatEntry(file.chain[vcn - 1], firstTarget);
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
// after it the file reads the new clusters and the old ones are unreferenced.
uint32_t ChainMover::MovePass(DirEntry& file, uint32_t vcn, uint32_t target, uint32_t n) {
  const uint64_t clusterBytes = image_.Geometry().ClusterBytes();
  for (uint32_t i = 0; i < n; ++i) {
    if (image_.InUse(target + i)) return kInvalidParameter;
  }
  std::vector<uint8_t> data(clusterBytes);
  for (uint32_t i = 0; i < n; ++i) {
    if (!storage_.Read(image_.ClusterOffset(file.chain[vcn + i]), data.data(), data.size())) return kReadFault;
    if (!Write(image_.ClusterOffset(target + i), data.data(), data.size())) return kWriteFault;
  }
  if (!storage_.Flush()) return kWriteFault;

  const uint32_t following = image_.Next(file.chain[vcn + n - 1]);  // the next cluster, or end of chain
  for (uint32_t i = 0; i + 1 < n; ++i) {
    if (!WriteFatEntry(target + i, target + i + 1)) return kWriteFault;
  }
  if (!WriteFatEntry(target + n - 1, following) || !storage_.Flush()) return kWriteFault;

  if (!SwitchHead(file, vcn, target) || !storage_.Flush()) return kWriteFault;
  std::vector<uint32_t> old(file.chain.begin() + vcn, file.chain.begin() + vcn + n);
  for (uint32_t i = 0; i < n; ++i) file.chain[vcn + i] = target + i;

  for (uint32_t cluster : old) {
    if (!WriteFatEntry(cluster, 0)) return kWriteFault;
  }
  return storage_.Flush() ? kSuccess : kWriteFault;
}

}  // namespace tarvonel::fat
