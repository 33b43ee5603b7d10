#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace tarvonel {

class OsHandle;
class VolumeIo;

// A maximal run of free clusters. Lcn and Length are what placement compares and adds;
// LcnHigh completes the 64-bit LCN handed to a move.
struct FreeRun {
  int32_t Lcn = 0;
  int32_t LcnHigh = 0;
  int32_t Length = 0;
  bool operator==(const FreeRun&) const = default;
};

// In strictly ascending Lcn order; consecutive runs are separated by used clusters.
using FreeRunList = std::vector<FreeRun>;

inline constexpr int32_t kBitmapChunkClusters = 131072;  // 16384 bitmap bytes per read
inline constexpr uint32_t kBitmapChunkBufferBytes = 16 + 16384;

// Collects free runs from consecutive bitmap chunks of one read. A run still open at the end
// of a chunk continues into the next.
class FreeRunScanner {
 public:
  // `bitmap` holds bit j for cluster chunkStart + j; only the first `clusterCount` bits are read.
  // Clears the scan when chunkStart is 0: a new read begins.
  void ScanBitmapChunk(const uint8_t* bitmap, int64_t chunkStart, int32_t clusterCount, FreeRunList& list);
  // After the last chunk: stores the run still open, if any.
  void Finish(FreeRunList& list);

 private:
  void CloseRun(FreeRunList& list);
  // The first `bits` bits of `word`, used and free clusters mixed.
  void ScanMixedWord(uint64_t word, int bits, FreeRunList& list);
  int32_t runStart_ = 0;   // LCN where the open run starts; also the scan position after used clusters
  int32_t runLength_ = 0;  // clusters in the open run
  int32_t lcnHigh_ = 0;
};

// Reads the free runs of the volume behind `volumeHandle` in 131072-cluster chunks.
// `totalClusters` receives the volume's cluster count from the first chunk (0 when that read
// fails). A failure on a later chunk returns the runs closed so far. A volume that reports
// 2^31 clusters or more yields nothing.
FreeRunList ReadFreeRuns(VolumeIo& io, OsHandle* volumeHandle, int32_t& totalClusters);

// The volume's cluster count as its own bitmap reports it: one read from LCN 0 into a buffer of
// the record's size. Unlike the free-space query's total, which is the user's share under a disk
// quota, it is the whole volume's. Empty when the read fails.
std::optional<int64_t> BitmapClusterCount(VolumeIo& io, OsHandle& volume);

}  // namespace tarvonel
