// Where a set written anew may go in a folder: entries not in use, all inside one sector, and
// never behind the end marker where nothing reads them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "filesystems/exfat/entry_set.h"

namespace tarvonel::exfat {
namespace {

constexpr size_t kSector = 512;  // 16 entries

// A folder of entries given by one letter each: 'u' in use, 'd' deleted, '0' unused (the end).
std::vector<uint8_t> Folder(const std::string& kinds) {
  std::vector<uint8_t> bytes(kinds.size() * kEntryBytes, 0);
  for (size_t i = 0; i < kinds.size(); ++i) {
    bytes[i * kEntryBytes] = kinds[i] == 'u' ? kFileEntry : kinds[i] == 'd' ? uint8_t{kNameEntry & ~kInUse} : 0;
  }
  return bytes;
}

std::optional<size_t> Find(const std::string& kinds, size_t entries, bool mayUseEnd, std::set<size_t> taken = {}) {
  return FreeRunForSet(Folder(kinds), entries, kSector, mayUseEnd, [&](size_t i) { return taken.contains(i); });
}

TEST(FreeRunForSet, TakesDeletedEntriesInsideOneSectorAndSkipsTakenOnes) {
  // Deleted entries 14..18 cross the boundary at 16: 14..15 and 16..18 lie in one sector each.
  const std::string folder = std::string(14, 'u') + "ddddd" + std::string(13, 'u') + std::string(16, '0');
  EXPECT_EQ(Find(folder, 2, false), 14u);
  EXPECT_EQ(Find(folder, 3, false), 16u);
  EXPECT_EQ(Find(folder, 3, false, {17}), std::nullopt);
  EXPECT_EQ(Find(folder, 4, false), std::nullopt);
}

TEST(FreeRunForSet, TheEndMarkerIsTakenOnlyInItsOwnSectorAndOnlyWhenAllowed) {
  // End marker at 12: deleted 10..11 and unused 12..15 make a run of six in sector 0.
  const std::string folder = "uuuuuuuuuudd0000" "0000000000000000";
  EXPECT_EQ(Find(folder, 6, true), 10u);
  EXPECT_EQ(Find(folder, 6, false), std::nullopt);
  // Seven would reach into sector 1, behind unused entries: never.
  EXPECT_EQ(Find(folder, 7, true), std::nullopt);
  EXPECT_EQ(Find(folder, 2, false), 10u);
}

TEST(FreeRunForSet, NothingInUseMayLieBehindTheEndMarker) {
  EXPECT_EQ(Find("uuuu0000u0000000", 3, true), std::nullopt);
  EXPECT_EQ(Find("uudd0000u0000000", 2, false), 2u);  // before the marker, as a driver would write
}

}  // namespace
}  // namespace tarvonel::exfat
