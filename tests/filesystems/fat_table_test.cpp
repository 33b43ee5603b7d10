// The FAT codecs: each width reads back what it stores without touching what is not the
// entry's, says what a value means, and names the bytes an entry lies in.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "filesystems/fat/fat_table.h"

namespace tarvonel::fat {
namespace {

using fs::FatType;
using Kind = FatEntry::Kind;

TEST(FatCodec, Fat12EntriesShareTheirMiddleByteWithoutDisturbingEachOther) {
  const FatCodec& codec = FatCodec::For(FatType::Fat12);
  std::vector<uint8_t> fat(16, 0);
  codec.Put(fat.data(), 2, 0xABC);
  codec.Put(fat.data(), 3, 0x123);
  codec.Put(fat.data(), 4, 0xFFF);
  EXPECT_EQ(codec.Get(fat.data(), 2), 0xABCu);
  EXPECT_EQ(codec.Get(fat.data(), 3), 0x123u);
  EXPECT_EQ(codec.Get(fat.data(), 4), 0xFFFu);
  // Entries 2 and 3 fill bytes 3, 4 and 5: BC, 3A, 12.
  EXPECT_EQ(fat[3], 0xBC);
  EXPECT_EQ(fat[4], 0x3A);
  EXPECT_EQ(fat[5], 0x12);
  codec.Put(fat.data(), 3, 0);
  EXPECT_EQ(codec.Get(fat.data(), 2), 0xABCu) << "freeing the odd entry keeps its even neighbour";
  EXPECT_EQ(codec.Get(fat.data(), 4), 0xFFFu);
  EXPECT_EQ(codec.Bytes(3, 3), (std::pair<size_t, size_t>{4, 6}));
  EXPECT_EQ(codec.Bytes(2, 5), (std::pair<size_t, size_t>{3, 9}));
  EXPECT_EQ(codec.TableBytes(4087), 6131u);
}

TEST(FatCodec, Fat32KeepsTheReservedTopBitsAndFat16IsTwoBytes) {
  const FatCodec& fat32 = FatCodec::For(FatType::Fat32);
  std::vector<uint8_t> fat(32, 0);
  fat[4 * 5 + 3] = 0xF0;  // entry 5's reserved bits, set by someone else
  fat32.Put(fat.data(), 5, 0x0ABCDEF1);
  EXPECT_EQ(fat32.Get(fat.data(), 5), 0x0ABCDEF1u);
  EXPECT_EQ(fat[4 * 5 + 3], 0xFA) << "the top four bits are not the entry's";
  fat32.Put(fat.data(), 5, 0);
  EXPECT_EQ(fat32.Get(fat.data(), 5), 0u) << "an entry with only reserved bits set is free";
  EXPECT_EQ(fat32.Bytes(2, 3), (std::pair<size_t, size_t>{8, 16}));

  const FatCodec& fat16 = FatCodec::For(FatType::Fat16);
  fat16.Put(fat.data(), 3, 0xFFF8);
  EXPECT_EQ(fat[6], 0xF8);
  EXPECT_EQ(fat[7], 0xFF);
  EXPECT_EQ(fat16.Get(fat.data(), 3), 0xFFF8u);
  EXPECT_EQ(fat16.Bytes(3, 4), (std::pair<size_t, size_t>{6, 10}));
}

TEST(FatCodec, ValuesReadAsWhatTheySayForEveryWidth) {
  struct Width {
    FatType type;
    uint32_t endOfChain;
    uint32_t clean;
  };
  for (const Width& w : {Width{FatType::Fat12, 0xFF8, 0}, Width{FatType::Fat16, 0xFFF8, 0x8000},
                         Width{FatType::Fat32, 0x0FFFFFF8, 0x08000000}}) {
    const FatCodec& codec = FatCodec::For(w.type);
    EXPECT_EQ(codec.EndOfChain(), w.endOfChain);
    EXPECT_EQ(codec.CleanShutdownBit(), w.clean);
    EXPECT_EQ(codec.Classify(0).kind, Kind::Free);
    EXPECT_EQ(codec.Classify(2).kind, Kind::Next);
    EXPECT_EQ(codec.Classify(2).next, 2u);
    EXPECT_EQ(codec.Classify(w.endOfChain - 9).kind, Kind::Next) << "the last cluster number";
    EXPECT_EQ(codec.Classify(w.endOfChain - 8).kind, Kind::Reserved);
    EXPECT_EQ(codec.Classify(w.endOfChain - 2).kind, Kind::Reserved);
    EXPECT_EQ(codec.Classify(w.endOfChain - 1).kind, Kind::Bad);
    EXPECT_EQ(codec.Classify(w.endOfChain).kind, Kind::EndOfChain);
    EXPECT_EQ(codec.Classify(w.endOfChain + 7).kind, Kind::EndOfChain);
  }
}

}  // namespace
}  // namespace tarvonel::fat
