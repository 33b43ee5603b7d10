#include "volume/free_runs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/volume_io.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"

namespace tarvonel {
void FreeRunScanner::CloseRun(FreeRunList& list) {
  list.push_back({runStart_, lcnHigh_, runLength_});
  runStart_ += runLength_;
  runLength_ = 0;
}

void FreeRunScanner::ScanBitmapChunk(const uint8_t* bitmap, int64_t chunkStart, int32_t clusterCount,
                                     FreeRunList& list) {
  if (chunkStart == 0) {
    runStart_ = 0;
    runLength_ = 0;
  }
  lcnHigh_ = static_cast<int32_t>(chunkStart >> 32);
  // A word at a time: a word of only free or only used clusters costs one test; a mixed word
  // is split at its bit transitions. Counts stay below 2^31 on any volume the engine accepts.
  const int32_t fullWords = clusterCount / 64;
  for (int32_t w = 0; w < fullWords; ++w) {
    uint64_t word;
    std::memcpy(&word, bitmap + 8 * static_cast<size_t>(w), sizeof word);
    if (word == 0) {
      runLength_ += 64;
    } else if (word == ~uint64_t{0}) {
      if (runLength_ != 0) CloseRun(list);
      runStart_ += 64;
    } else {
      ScanMixedWord(word, 64, list);
    }
  }
  const int tail = clusterCount % 64;
  if (tail != 0) {
    // Only the bytes that hold the last clusters are read; bits past the count are ignored.
    uint64_t word = 0;
    std::memcpy(&word, bitmap + 8 * static_cast<size_t>(fullWords), static_cast<size_t>((tail + 7) / 8));
    ScanMixedWord(word & ((uint64_t{1} << tail) - 1), tail, list);
  }
}

void FreeRunScanner::ScanMixedWord(uint64_t word, int bits, FreeRunList& list) {
  int position = 0;
  while (position < bits) {
    const uint64_t rest = word >> position;
    if ((rest & 1) == 0) {
      const int free = rest == 0 ? bits - position : std::min(bits - position, std::countr_zero(rest));
      runLength_ += free;
      position += free;
    } else {
      const uint64_t unused = ~word >> position;
      const int used = unused == 0 ? bits - position : std::min(bits - position, std::countr_zero(unused));
      if (runLength_ != 0) CloseRun(list);
      runStart_ += used;
      position += used;
    }
  }
}

void FreeRunScanner::Finish(FreeRunList& list) {
  if (runLength_ != 0) CloseRun(list);
}

FreeRunList ReadFreeRuns(VolumeIo& io, OsHandle* volumeHandle, int32_t& totalClusters) {
  FreeRunList runs;
  totalClusters = 0;
  if (volumeHandle == nullptr) return runs;

  FreeRunScanner scanner;
  std::vector<uint8_t> buffer(kBitmapChunkBufferBytes);
  int64_t startingLcn = 0;
  for (;;) {
    std::array<uint8_t, 8> input{};
    le::PutI64(input.data(), startingLcn);
    uint32_t returned = 0;
    const uint32_t error =
        io.DeviceIoControl(*volumeHandle, win32::kFsctlGetVolumeBitmap, input.data(), 8, buffer.data(),
                                 kBitmapChunkBufferBytes, returned);
    if (error != win32_error::kSuccess && error != win32_error::kMoreData) return runs;  // open run dropped

    const int64_t chunkStart = le::I64(buffer.data());
    const int64_t bitmapSize = le::I64(buffer.data() + 8);  // clusters from chunkStart to the end
    if (startingLcn == 0) {
      if (bitmapSize > 0x7FFFFFFF || bitmapSize < 0) return runs;  // outside the 32-bit design
      totalClusters = static_cast<int32_t>(bitmapSize);
    }
    // Trust only what the platform wrote and what the volume holds.
    const int64_t bytesWritten = returned > record::kBitmapHeader ? returned - record::kBitmapHeader : 0;
    const int64_t count = std::min<int64_t>({bitmapSize, kBitmapChunkClusters, bytesWritten * 8});
    if (chunkStart != startingLcn || count < 0) return runs;
    scanner.ScanBitmapChunk(buffer.data() + record::kBitmapHeader, chunkStart, static_cast<int32_t>(count), runs);

    const bool lastChunk = bitmapSize <= kBitmapChunkClusters;
    if (lastChunk || error != win32_error::kMoreData) {
      if (lastChunk) scanner.Finish(runs);
      return runs;
    }
    startingLcn += kBitmapChunkClusters;
  }
}

std::optional<int64_t> BitmapClusterCount(VolumeIo& io, OsHandle& volume) {
  std::array<uint8_t, 8> input{};
  std::array<uint8_t, record::kBitmapRecordSize> buffer{};
  uint32_t returned = 0;
  const uint32_t error = io.DeviceIoControl(volume, win32::kFsctlGetVolumeBitmap, input.data(), 8, buffer.data(),
                                            static_cast<uint32_t>(buffer.size()), returned);
  // ERROR_MORE_DATA is the answer of every volume over 64 clusters: the header is whole.
  if ((error != win32_error::kSuccess && error != win32_error::kMoreData) || returned < record::kBitmapHeader) {
    return std::nullopt;
  }
  const int64_t clusters = le::I64(buffer.data() + 8);
  if (le::I64(buffer.data()) != 0 || clusters < 0) return std::nullopt;
  return clusters;
}

}  // namespace tarvonel
