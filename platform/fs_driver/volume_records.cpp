// The records the Windows file-system drivers answer with, built the same way for every back
// end: the simulated machine's volumes and the FAT volumes on real media.
#include "platform/fs_driver/volume_records.h"

#include <algorithm>

#include "base/little_endian.h"
#include "platform/records.h"
#include "base/win32_errors.h"

namespace tarvonel::fs_driver {

uint32_t AnswerVolumeBitmap(const BitmapSource& volume, const void* input, uint32_t inputSize, uint8_t* output,
                            uint32_t outputSize, uint32_t& bytesReturned) {
  bytesReturned = 0;
  if (inputSize < 8 || outputSize < record::kBitmapRecordSize) return win32_error::kInsufficientBuffer;
  const int64_t requested = le::I64(static_cast<const uint8_t*>(input));
  const int64_t total = volume.totalClusters;
  if (requested < 0 || requested >= total || (!volume.ntfs && (requested >> 32) != 0)) {
    return win32_error::kInvalidParameter;
  }
  const int64_t start = requested - requested % volume.rounding;
  const int64_t wanted = total - start;  // reported in full even when the buffer is short
  const int64_t room = outputSize - int64_t{record::kBitmapHeader};
  const int64_t needed = (wanted + 7) / 8;
  const int64_t copied = std::min(room, needed);
  le::PutI64(output, start);
  le::PutI64(output + 8, wanted);
  volume.copyBits(start, std::min(copied * 8, wanted), output + record::kBitmapHeader);
  bytesReturned = static_cast<uint32_t>(record::kBitmapHeader + copied);
  return copied < needed ? win32_error::kMoreData : win32_error::kSuccess;
}

uint32_t AnswerRetrievalPointers(std::span<const LcnRun> runs, const void* input, uint32_t inputSize,
                                 uint8_t* output, uint32_t outputSize, uint32_t& bytesReturned) {
  bytesReturned = 0;
  if (inputSize < 8) return win32_error::kInvalidParameter;
  if (outputSize < 32) return win32_error::kInsufficientBuffer;
  const int64_t vcn = le::I64(static_cast<const uint8_t*>(input));
  if (vcn < 0) return win32_error::kInvalidParameter;
  int64_t allocated = 0;
  for (const LcnRun& run : runs) allocated += run.length;
  // Resident and empty data have no clusters: end of file, as NTFS answers.
  if (vcn >= allocated) return win32_error::kHandleEof;
  size_t first = 0;
  int64_t runStart = 0;
  while (runStart + runs[first].length <= vcn) runStart += runs[first++].length;
  const size_t capacity = (outputSize - 16) / 16;
  size_t written = 0;
  int64_t next = runStart;
  for (size_t i = first; i < runs.size() && written < capacity; ++i, ++written) {
    next += runs[i].length;
    le::PutI64(output + 16 + 16 * written, next);
    le::PutI64(output + 24 + 16 * written, runs[i].lcn);
  }
  le::Put32(output, static_cast<uint32_t>(written));
  le::Put32(output + 4, 0);
  le::PutI64(output + 8, runStart);
  bytesReturned = static_cast<uint32_t>(16 + 16 * written);
  return first + written < runs.size() ? win32_error::kMoreData : win32_error::kSuccess;
}

DiskFreeSpace AnswerDiskFreeSpace(uint32_t sectorsPerCluster, uint32_t bytesPerSector, int64_t freeClusters,
                                  int64_t totalClusters, std::optional<QuotaClusters> quota) {
  constexpr int64_t kMax32 = 0xFFFFFFFF;
  if (quota) {
    totalClusters = std::min(totalClusters, quota->limit);
    freeClusters = std::min(freeClusters, std::max<int64_t>(0, quota->limit - quota->used));
  }
  DiskFreeSpace space;
  space.sectorsPerCluster = sectorsPerCluster;
  space.bytesPerSector = bytesPerSector;
  space.freeClusters = static_cast<uint32_t>(std::min(freeClusters, kMax32));
  space.totalClusters = static_cast<uint32_t>(std::min(totalClusters, kMax32));
  return space;
}

uint32_t SetPosition(int32_t distanceLow, int32_t distanceHigh, int64_t& position) {
  const int64_t wanted = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(distanceHigh)) << 32) |
                                              static_cast<uint32_t>(distanceLow));
  if (wanted < 0) return win32_error::kNegativeSeek;
  position = wanted;
  return win32_error::kSuccess;
}

bool IsSectorAligned(int64_t position, uint32_t bytes, uint32_t sectorBytes) {
  return position % sectorBytes == 0 && bytes % sectorBytes == 0;
}

}  // namespace tarvonel::fs_driver
