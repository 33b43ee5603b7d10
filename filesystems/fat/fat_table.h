#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

#include "filesystems/volume_model.h"

namespace tarvonel::fat {

// What a FAT entry says of its cluster.
struct FatEntry {
  enum class Kind {
    Free,        // 0
    Next,        // the chain goes on at `next`
    Reserved,    // a value the file system keeps for itself
    Bad,         // the cluster is marked bad
    EndOfChain,  // the last cluster of its chain
  };
  Kind kind = Kind::Free;
  uint32_t next = 0;  // Next only
};

// The entries of a FAT of one width (12, 16 or 32 bits), read and written in the bytes of a
// FAT copy. One codec is chosen per volume, for its width, when it is read.
class FatCodec {
 public:
  virtual ~FatCodec() = default;
  static const FatCodec& For(fs::FatType type);

  // The entry's value as stored (FAT32: without the four reserved top bits).
  virtual uint32_t Get(const uint8_t* fat, uint32_t cluster) const = 0;
  // Stores `value`, keeping what is not the entry's: a FAT12 entry's neighbour in a shared
  // byte, a FAT32 entry's four reserved top bits.
  virtual void Put(uint8_t* fat, uint32_t cluster, uint32_t value) const = 0;
  // The bytes [first, second) of a FAT copy that hold the entries `first` .. `last`.
  virtual std::pair<size_t, size_t> Bytes(uint32_t first, uint32_t last) const = 0;
  // The bits of an entry, and so how many bytes a FAT of `clusters` entries needs.
  virtual uint32_t Bits() const = 0;
  // The first end-of-chain value; one less marks a bad cluster, and the few below it are reserved.
  virtual uint32_t EndOfChain() const = 0;
  // The bit of entry 1 that a driver clears while the volume is in use (0: FAT12 has none).
  virtual uint32_t CleanShutdownBit() const = 0;

  // The entry as what it says.
  FatEntry Read(const uint8_t* fat, uint32_t cluster) const { return Classify(Get(fat, cluster)); }
  FatEntry Classify(uint32_t value) const;
  uint32_t BadCluster() const { return EndOfChain() - 1; }
  uint64_t TableBytes(uint64_t entries) const { return (entries * Bits() + 7) / 8; }
};

}  // namespace tarvonel::fat
