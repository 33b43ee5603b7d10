#include "analysis/boot_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/text_encoding.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Machine(const std::string& layoutEntry) {
  return test::MachineWithVolume(R"({"total_clusters": 10000, "entries": [
    {"name": "Windows", "type": "directory", "extents": [[100, 1]], "entries": [
      {"name": "Prefetch", "type": "directory", "extents": [[110, 1]], "entries": [)" + layoutEntry + R"(]}]},
    {"name": "a.dll", "extents": [[500, 2]]},
    {"name": "locked.sys", "in_use": "paging_file", "extents": [[600, 2]]},
    {"name": "small.txt", "resident": true}
  ]})", R"(, {"letter": "D", "volume": {"entries": [{"name": "d.dll", "extents": [[50, 1]]}]}})");
}

struct LayoutCase {
  explicit LayoutCase(const std::string& layoutEntry) : f(Machine(layoutEntry)) {}
  test::VolumeFixture f;
  std::string prefetchDir = "C:\\Windows\\Prefetch";
  BootLayoutReader reader{f.platform, f.platform, f.events, f.extents, prefetchDir};
  std::vector<std::string> list;
};

TEST(BootLayout, Utf16ListAddsOpenFilesWithClustersInOrder) {
  LayoutCase c(R"({"name": "layout.ini", "extents": [[120, 1]], "content_encoding": "utf-16le", "content": ")" +
               std::string("[OptimalLayoutFile]\\r\\nC:\\\\a.dll\\r\\nC:\\\\a.dll\\r\\nc:\\\\a.dll\\r\\nD:\\\\d.dll\\r\\nC:\\\\small.txt\\r\\nC:\\\\locked.sys\\r\\n") + "\"}");
  c.list = {"C:\\kept.dll"};
  c.reader.ReadBootLayout("C:\\", c.list);
  EXPECT_THAT(c.list, ElementsAre("C:\\kept.dll", "C:\\a.dll", "C:\\a.dll"))
      << "listed twice is added twice; c: differs in case; resident and locked files hold no place";
  EXPECT_EQ(c.f.extents.UnreadableCount, 1) << "the locked file is counted";
}

TEST(BootLayout, EightBitListReadsTheSameWay) {
  LayoutCase c(R"({"name": "layout.ini", "extents": [[120, 1]], "content": "C:\\a.dll\nC:\\a.dll\rC:\\a.dll"})");
  c.reader.ReadBootLayout("C:\\", c.list);
  EXPECT_THAT(c.list, ElementsAre("C:\\a.dll", "C:\\a.dll", "C:\\a.dll")) << "lines end at LF, CR or CR LF";
}

TEST(BootLayout, OtherVolumesAndMissingOrEmptyListsAddNothing) {
  LayoutCase c(R"({"name": "layout.ini", "extents": [[120, 1]], "content": "C:\\a.dll\r\n"})");
  c.reader.ReadBootLayout("D:\\", c.list);
  EXPECT_THAT(c.list, IsEmpty()) << "only the Windows volume has a boot layout";
  LayoutCase empty(R"({"name": "layout.ini", "extents": [[120, 1]]})");
  empty.reader.ReadBootLayout("C:\\", empty.list);
  EXPECT_THAT(empty.list, IsEmpty());
  LayoutCase none(R"({"name": "other.ini", "extents": [[120, 1]]})");
  none.reader.ReadBootLayout("C:\\", none.list);
  EXPECT_THAT(none.list, IsEmpty());
  EXPECT_EQ(none.f.platform.OpenHandles(), 0);
}

TEST(BootLayout, LinesAndNulCuts) {
  EXPECT_THAT(BootLayoutReader::SplitLines("a\r\nb\rc\nd"), ElementsAre("a", "b", "c", "d"));
  EXPECT_THAT(BootLayoutReader::SplitLines("a\r\n\r\nb"), ElementsAre("a", "", "b"));
  EXPECT_EQ(TrimAtNul(std::string("C:\\x\0junk", 9)), "C:\\x");
  EXPECT_EQ(TrimAtNul("plain"), "plain");
}

}  // namespace
}  // namespace tarvonel
