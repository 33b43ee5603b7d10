#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace tarvonel {

// The used/free state of every cluster of a simulated volume. Stored in chunks that exist only
// once something in them is used, so a huge, mostly empty volume costs little memory.
class SimBitmap {
 public:
  explicit SimBitmap(int64_t clusters = 0);

  int64_t Clusters() const { return clusters_; }
  void Set(int64_t lcn, int64_t length, bool used);
  bool Used(int64_t lcn) const;
  int64_t UsedCount() const { return usedCount_; }
  // Writes the bits of clusters [start, start + count) into `out` (bit k of byte j is cluster
  // start + 8j + k); start is a multiple of 8. Bits past the end of the volume read as free.
  void CopyBits(int64_t start, int64_t count, uint8_t* out) const;

 private:
  static constexpr int64_t kChunkBits = int64_t{1} << 20;
  static constexpr size_t kWordsPerChunk = static_cast<size_t>(kChunkBits / 64);
  uint64_t* Words(int64_t chunk, bool create);
  const uint64_t* Words(int64_t chunk) const;

  int64_t clusters_;
  int64_t usedCount_ = 0;
  std::vector<std::unique_ptr<uint64_t[]>> chunks_;
};

}  // namespace tarvonel
