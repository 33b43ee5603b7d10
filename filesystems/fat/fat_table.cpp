#include "filesystems/fat/fat_table.h"

#include "base/little_endian.h"

namespace tarvonel::fat {
namespace {

// Two entries share three bytes: the even one the low 12 bits of its pair, the odd one the high.
class Fat12Codec final : public FatCodec {
 public:
  uint32_t Get(const uint8_t* fat, uint32_t cluster) const override {
    const uint32_t pair = le::U16(fat + Offset(cluster));
    return (cluster & 1) != 0 ? pair >> 4 : pair & 0xFFF;
  }
  void Put(uint8_t* fat, uint32_t cluster, uint32_t value) const override {
    uint8_t* at = fat + Offset(cluster);
    const uint32_t pair = le::U16(at);
    le::Put16(at, static_cast<uint16_t>((cluster & 1) != 0 ? (pair & 0x000F) | (value << 4)
                                                           : (pair & 0xF000) | (value & 0xFFF)));
  }
  std::pair<size_t, size_t> Bytes(uint32_t first, uint32_t last) const override {
    return {Offset(first), Offset(last) + 2};
  }
  uint32_t Bits() const override { return 12; }
  uint32_t EndOfChain() const override { return 0xFF8; }
  uint32_t CleanShutdownBit() const override { return 0; }

 private:
  static size_t Offset(uint32_t cluster) { return size_t{cluster} + cluster / 2; }
};

class Fat16Codec final : public FatCodec {
 public:
  uint32_t Get(const uint8_t* fat, uint32_t cluster) const override { return le::U16(fat + 2 * size_t{cluster}); }
  void Put(uint8_t* fat, uint32_t cluster, uint32_t value) const override {
    le::Put16(fat + 2 * size_t{cluster}, static_cast<uint16_t>(value));
  }
  std::pair<size_t, size_t> Bytes(uint32_t first, uint32_t last) const override {
    return {2 * size_t{first}, 2 * size_t{last} + 2};
  }
  uint32_t Bits() const override { return 16; }
  uint32_t EndOfChain() const override { return 0xFFF8; }
  uint32_t CleanShutdownBit() const override { return 0x8000; }
};

class Fat32Codec final : public FatCodec {
 public:
  static constexpr uint32_t kEntryBits = 0x0FFFFFFF;  // the top four are reserved, and not ours
  uint32_t Get(const uint8_t* fat, uint32_t cluster) const override {
    return le::U32(fat + 4 * size_t{cluster}) & kEntryBits;
  }
  void Put(uint8_t* fat, uint32_t cluster, uint32_t value) const override {
    uint8_t* at = fat + 4 * size_t{cluster};
    le::Put32(at, (le::U32(at) & ~kEntryBits) | (value & kEntryBits));
  }
  std::pair<size_t, size_t> Bytes(uint32_t first, uint32_t last) const override {
    return {4 * size_t{first}, 4 * size_t{last} + 4};
  }
  uint32_t Bits() const override { return 32; }
  uint32_t EndOfChain() const override { return 0x0FFFFFF8; }
  uint32_t CleanShutdownBit() const override { return 0x08000000; }
};

}  // namespace

const FatCodec& FatCodec::For(fs::FatType type) {
  static const Fat12Codec fat12;
  static const Fat16Codec fat16;
  static const Fat32Codec fat32;
  switch (type) {
    case fs::FatType::Fat12: return fat12;
    case fs::FatType::Fat16: return fat16;
    case fs::FatType::Fat32: break;
  }
  return fat32;
}

FatEntry FatCodec::Classify(uint32_t value) const {
  if (value == 0) return {FatEntry::Kind::Free, 0};
  if (value >= EndOfChain()) return {FatEntry::Kind::EndOfChain, 0};
  if (value == BadCluster()) return {FatEntry::Kind::Bad, 0};
  if (value > BadCluster() - 8) return {FatEntry::Kind::Reserved, 0};
  return {FatEntry::Kind::Next, value};
}

}  // namespace tarvonel::fat
