// The pieces every on-disk format is read with: little-endian fields, runs of clusters, and
// the FAT directory entry's fields and names.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/little_endian.h"
#include "filesystems/cluster_run.h"
#include "filesystems/fat/dir_entry.h"

namespace tarvonel {
namespace {

TEST(LittleEndian, FieldsAreReadAndWrittenLowByteFirstAtAnyAlignment) {
  uint8_t bytes[11] = {};
  le::Put16(bytes + 1, 0x1234);
  le::Put32(bytes + 3, 0x89ABCDEF);
  EXPECT_EQ(bytes[1], 0x34);
  EXPECT_EQ(bytes[2], 0x12);
  EXPECT_EQ(bytes[3], 0xEF);
  EXPECT_EQ(bytes[6], 0x89);
  EXPECT_EQ(le::U16(bytes + 1), 0x1234);
  EXPECT_EQ(le::U32(bytes + 3), 0x89ABCDEFu);
  le::PutI64(bytes + 3, -2);
  EXPECT_EQ(le::I64(bytes + 3), -2);
  EXPECT_EQ(le::U64(bytes + 3), 0xFFFFFFFFFFFFFFFEull);
  EXPECT_EQ(bytes[2], 0x12) << "a write stays inside its field";
}

TEST(ClusterRuns, AChainIsCutWhereItsClustersStopFollowingEachOther) {
  const std::vector<uint32_t> chain{5, 6, 7, 10, 11, 3};
  EXPECT_EQ(fs::Runs(chain), (std::vector<fs::ClusterRun>{{5, 3}, {10, 2}, {3, 1}}));
  EXPECT_EQ(fs::RunAt(chain, 1), (fs::ClusterRun{6, 2}));
  EXPECT_EQ(fs::RunAt(chain, 0, 2), (fs::ClusterRun{5, 2})) << "at most `most`";
  EXPECT_TRUE(fs::Runs({}).empty());
  std::vector<std::pair<fs::ClusterRun, size_t>> seen;
  const bool whole = fs::ForEachRun(chain, 2, [&](fs::ClusterRun run, size_t index) {
    seen.emplace_back(run, index);
    return run.first != 10;
  });
  EXPECT_FALSE(whole) << "stops when told";
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1], (std::pair<fs::ClusterRun, size_t>{{7, 1}, 2}));
  EXPECT_EQ(seen[2].second, 3u);
}

std::vector<uint8_t> Entry(const char* name83, uint8_t caseFlags = 0) {
  std::vector<uint8_t> entry(fat::dir_entry::kBytes, 0);
  std::memcpy(entry.data(), name83, 11);
  entry[fat::dir_entry::kCaseFlags] = caseFlags;
  return entry;
}

TEST(FatDirEntry, TheFirstClustersHighHalfIsFat32s) {
  using namespace fat::dir_entry;
  std::vector<uint8_t> entry = Entry("FILE    BIN");
  le::Put16(entry.data() + kFirstClusterHigh, 0x0007);  // what FAT16 keeps there (access rights)
  PutFirstCluster(entry.data(), 0x00031234, false);
  EXPECT_EQ(le::U16(entry.data() + kFirstClusterHigh), 0x0007) << "FAT16 leaves it alone";
  EXPECT_EQ(FirstCluster(entry.data(), false), 0x1234u);
  PutFirstCluster(entry.data(), 0x00031234, true);
  EXPECT_EQ(FirstCluster(entry.data(), true), 0x00031234u);
  le::Put32(entry.data() + kFileSize, 70000);
  EXPECT_EQ(FileSize(entry.data()), 70000u);
}

TEST(FatDirEntry, ShortAndLongNamesReadAsWindowsShowsThem) {
  using namespace fat::dir_entry;
  EXPECT_EQ(ShortName(Entry("README  TXT", kLowerCaseBase | kLowerCaseExtension).data()), "readme.txt");
  EXPECT_EQ(ShortName(Entry("MAKEFILE   ", kLowerCaseExtension).data()), "MAKEFILE");
  EXPECT_EQ(ShortName(Entry("\x05TE     DAT").data()), "\xC3\xA5TE.DAT") << "0x05 stands for 0xE5 (Latin-1 \"\xC3\xA5\")";
  EXPECT_TRUE(IsDotEntry(Entry("..         ").data()));
  EXPECT_FALSE(IsDotEntry(Entry(".PROFILE   ").data()));

  const std::vector<uint8_t> shortEntry = Entry("LONGNA~1TXT");
  const char16_t text[] = u"Long name.txt";  // 13 units: one slot, no terminator
  std::vector<uint8_t> slot(kBytes, 0);
  slot[kSlotOrdinal] = kLastSlot | 1;
  slot[kAttributes] = kAttrLongName;
  slot[kSlotChecksum] = ShortNameChecksum(shortEntry.data());
  for (size_t i = 0; i < 13; ++i) le::Put16(slot.data() + kSlotUnitOffsets[i], static_cast<uint16_t>(text[i]));
  LongName name;
  name.Add(slot.data());
  EXPECT_EQ(name.For(shortEntry.data()), "Long name.txt");
  EXPECT_EQ(name.For(Entry("OTHER   TXT").data()), "") << "slots of another short name are not its";
  slot[kSlotOrdinal] = 2;  // a middle slot with no last one before it
  name.Reset();
  name.Add(slot.data());
  EXPECT_EQ(name.For(shortEntry.data()), "");
}

}  // namespace
}  // namespace tarvonel
