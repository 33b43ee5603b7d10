#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "platform/volume_io.h"

namespace tarvonel::fs_driver {

// A run of a stream's clusters as the driver reports it: `length` clusters from `lcn` (-1: a
// hole or the virtual tail of a compression unit). A FAT or exFAT chain's runs are
// fs::ClusterRun, by cluster number; this is their LCN view.
struct LcnRun {
  int64_t lcn = 0;
  int64_t length = 0;
  bool operator==(const LcnRun&) const = default;
};

// What a volume's bitmap read needs to know of the volume.
struct BitmapSource {
  int64_t totalClusters = 0;
  uint32_t rounding = 8;  // StartingLcn granularity
  bool ntfs = false;      // FAT refuses a StartingLcn above 32 bits
  // Writes the bits of clusters [start, start + count) into `out`, bit k of byte j being
  // cluster start + 8j + k; bits past the volume's end read as free.
  std::function<void(int64_t start, int64_t count, uint8_t* out)> copyBits;
};

// FSCTL_GET_VOLUME_BITMAP: a VOLUME_BITMAP_BUFFER from the rounded-down starting LCN, the
// bitmap's size reported in full even when the buffer is short (then ERROR_MORE_DATA).
uint32_t AnswerVolumeBitmap(const BitmapSource& volume, const void* input, uint32_t inputSize, uint8_t* output,
                            uint32_t outputSize, uint32_t& bytesReturned);

// FSCTL_GET_RETRIEVAL_POINTERS: the extents from the one holding the starting VCN on, as many
// as the buffer holds (then ERROR_MORE_DATA); past the allocation, ERROR_HANDLE_EOF.
uint32_t AnswerRetrievalPointers(std::span<const LcnRun> runs, const void* input, uint32_t inputSize,
                                 uint8_t* output, uint32_t outputSize, uint32_t& bytesReturned);

// A per-user disk quota: its limit and what the user's files already take, in clusters.
struct QuotaClusters {
  int64_t limit = 0;
  int64_t used = 0;
};

// GetDiskFreeSpace: its fields are 32-bit, so a larger volume saturates. Under a quota both
// counts are the user's: the total at most the limit, the free clusters at most what the limit
// leaves ("may be less than the total number of clusters on the disk", GetDiskFreeSpace).
DiskFreeSpace AnswerDiskFreeSpace(uint32_t sectorsPerCluster, uint32_t bytesPerSector, int64_t freeClusters,
                                  int64_t totalClusters, std::optional<QuotaClusters> quota = std::nullopt);

// SetFilePointer from the file's start: the position, or ERROR_NEGATIVE_SEEK leaving it as it was.
uint32_t SetPosition(int32_t distanceLow, int32_t distanceHigh, int64_t& position);

// ReadFile on a volume handle: whole sectors at sector-aligned positions, or ERROR_INVALID_PARAMETER.
bool IsSectorAligned(int64_t position, uint32_t bytes, uint32_t sectorBytes);

}  // namespace tarvonel::fs_driver
