#include "platform/sim/sim_bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tarvonel {

SimBitmap::SimBitmap(int64_t clusters)
    : clusters_(clusters), chunks_(static_cast<size_t>((clusters + kChunkBits - 1) / kChunkBits)) {}

uint64_t* SimBitmap::Words(int64_t chunk, bool create) {
  auto& slot = chunks_[static_cast<size_t>(chunk)];
  if (!slot && create) {
    slot = std::make_unique<uint64_t[]>(kWordsPerChunk);
    std::memset(slot.get(), 0, kWordsPerChunk * sizeof(uint64_t));
  }
  return slot.get();
}

const uint64_t* SimBitmap::Words(int64_t chunk) const { return chunks_[static_cast<size_t>(chunk)].get(); }

void SimBitmap::Set(int64_t lcn, int64_t length, bool used) {
  for (int64_t end = lcn + length; lcn < end;) {
    const int64_t chunk = lcn / kChunkBits;
    uint64_t* words = Words(chunk, used);
    const int64_t chunkEnd = std::min(end, (chunk + 1) * kChunkBits);
    if (words == nullptr) {  // clearing a chunk that holds nothing
      lcn = chunkEnd;
      continue;
    }
    for (; lcn < chunkEnd;) {
      const int64_t bit = lcn - chunk * kChunkBits;
      const int shift = static_cast<int>(bit % 64);
      const int64_t span = std::min<int64_t>(64 - shift, chunkEnd - lcn);
      const uint64_t mask = (span == 64 ? ~uint64_t{0} : ((uint64_t{1} << span) - 1)) << shift;
      uint64_t& word = words[bit / 64];
      const int before = std::popcount(word & mask);
      word = used ? (word | mask) : (word & ~mask);
      usedCount_ += std::popcount(word & mask) - before;
      lcn += span;
    }
  }
}

bool SimBitmap::Used(int64_t lcn) const {
  const uint64_t* words = Words(lcn / kChunkBits);
  const int64_t bit = lcn % kChunkBits;
  return words != nullptr && ((words[bit / 64] >> (bit % 64)) & 1) != 0;
}

void SimBitmap::CopyBits(int64_t start, int64_t count, uint8_t* out) const {
  const size_t bytes = static_cast<size_t>((count + 7) / 8);
  std::memset(out, 0, bytes);
  // Chunks and output are both byte-aligned at multiples of 8 clusters.
  for (int64_t done = 0; done < count;) {
    const int64_t lcn = start + done;
    if (lcn >= clusters_) break;
    const int64_t chunk = lcn / kChunkBits;
    const int64_t chunkEnd = std::min({(chunk + 1) * kChunkBits, start + count, clusters_});
    const uint64_t* words = Words(chunk);
    if (words != nullptr) {
      const auto* source = reinterpret_cast<const uint8_t*>(words) + (lcn - chunk * kChunkBits) / 8;
      std::memcpy(out + done / 8, source, static_cast<size_t>((chunkEnd - lcn + 7) / 8));
    }
    done = chunkEnd - start;
  }
  // Whatever lies past the volume's last cluster reads as free.
  if (start + count > clusters_ && clusters_ > start) {
    const int64_t valid = clusters_ - start;
    if (valid % 8 != 0) out[valid / 8] &= static_cast<uint8_t>((1u << (valid % 8)) - 1);
    std::memset(out + (valid + 7) / 8, 0, bytes - static_cast<size_t>((valid + 7) / 8));
  }
}

}  // namespace tarvonel
