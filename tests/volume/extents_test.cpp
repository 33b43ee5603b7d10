#include "volume/extents.h"

#include <gtest/gtest.h>

#include "volume_fixture.h"

namespace tarvonel {
namespace {

using test::MachineWithVolume;
using test::VolumeFixture;


std::string Volume() {
  return R"({"total_clusters": 100000, "entries": [
    {"name": "small.txt", "resident": true},
    {"name": "empty.txt"},
    {"name": "e1024.dat", "extents": )" + test::ScatteredRuns(1024, 10000) + R"(},
    {"name": "e1025.dat", "extents": )" + test::ScatteredRuns(1025, 20000) + R"(},
    {"name": "e5000.dat", "extents": )" + test::ScatteredRuns(5000, 30000) + R"(},
    {"name": "sparse.dat", "sparse": true, "extents": [[-1, 4], [-1, 2], [500, 3], [-1, 1]]},
    {"name": "holes.dat", "sparse": true, "extents": [[-1, 8]]},
    {"name": "Folder", "type": "directory", "extents": [[600, 2], [610, 1]]},
    {"name": "pagefile.sys", "in_use": "paging_file", "extents": [[700, 50]]},
    {"name": "busy.db", "in_use": "exclusive", "extents": [[800, 5]]}
  ]})";
}

class ExtentsTest : public ::testing::Test {
 protected:
  VolumeFixture f{MachineWithVolume(Volume())};
};

TEST_F(ExtentsTest, ResidentAndEmptyFilesHaveNoExtentsAndAreNotUnreadable) {
  for (const char* path : {"C:\\small.txt", "C:\\empty.txt"}) {
    ExtentList list = f.extents.ReadExtents(path, true, true);
    EXPECT_FALSE(list.Opened) << path;
    EXPECT_EQ(list.ExtentCount, 0) << path;
    EXPECT_EQ(list.Path, path) << "it was opened";
  }
  EXPECT_EQ(f.extents.UnreadableCount, 0);
}

TEST_F(ExtentsTest, ChunksOf1024ExtentsContinueFromTheLastNextVcn) {
  ExtentList exact = f.extents.ReadExtents("C:\\e1024.dat", false, false);
  EXPECT_EQ(exact.ExtentCount, 1024);
  ExtentList more = f.extents.ReadExtents("C:\\e1025.dat", false, false);
  ASSERT_EQ(more.ExtentCount, 1025);
  for (int i = 0; i < 1025; ++i) {
    ASSERT_EQ(more.Extents[static_cast<size_t>(i)], (Extent{i + 1, 20000 + 2 * i})) << "extent " << i;
  }
  EXPECT_TRUE(more.Opened);

  ExtentList firstChunk = f.extents.ReadExtents("C:\\e5000.dat", true, true);
  EXPECT_EQ(firstChunk.ExtentCount, 1024);
  EXPECT_TRUE(firstChunk.Opened) << "known to be fragmented from the first call";
  EXPECT_EQ(f.extents.ReadExtents("C:\\e5000.dat", false, false).ExtentCount, 5000);
  EXPECT_EQ(f.platform.OpenHandles(), 0);
}

TEST_F(ExtentsTest, FirstLcnSkipsHoles) {
  ExtentList sparse = f.extents.ReadExtents("C:\\sparse.dat", true, true);
  ASSERT_EQ(sparse.ExtentCount, 4);
  EXPECT_EQ(sparse.Extents[0], (Extent{4, -1}));
  EXPECT_EQ(f.extents.FirstLcn("C:\\sparse.dat"), 500);
  EXPECT_EQ(f.extents.FirstLcn("C:\\holes.dat"), 0) << "nothing but holes";
  EXPECT_EQ(f.extents.FirstLcn("C:\\small.txt"), 0);
  EXPECT_EQ(f.extents.FirstLcn("C:\\missing.txt"), 0);
}

TEST_F(ExtentsTest, DirectoriesOpenWithBackupSemantics) {
  ExtentList folder = f.extents.ReadExtents("C:\\Folder", true, true);
  EXPECT_TRUE(folder.Opened);
  EXPECT_EQ(folder.ExtentCount, 2);
  EXPECT_EQ(f.extents.UnreadableCount, 0);
}

TEST_F(ExtentsTest, LockedFilesAreCountedAndLoggedOnlyWhenAsked) {
  f.settings.DebugLog = true;
  ExtentList quiet = f.extents.ReadExtents("C:\\pagefile.sys", true, false);
  EXPECT_FALSE(quiet.Opened);
  EXPECT_EQ(quiet.Path, "");
  EXPECT_EQ(f.extents.UnreadableCount, 0);
  EXPECT_EQ(f.log.Text(), "");

  f.extents.ReadExtents("C:\\pagefile.sys", true, true);
  EXPECT_EQ(f.extents.UnreadableCount, 1);
  EXPECT_EQ(f.log.Text(),
            "BMP, can't open : C:\\pagefile.sys, last dll_err:The process cannot access the file because it is being "
            "used by another process.-The handle is invalid.\r\n");

  const std::string logged = f.log.Text();
  f.settings.DebugLog = false;
  f.extents.ReadExtents("C:\\pagefile.sys", true, true);
  EXPECT_EQ(f.extents.UnreadableCount, 2) << "counted with the log off too";
  EXPECT_EQ(f.log.Text(), logged) << "but not logged";

  // Held without sharing: the attribute-only open still reads the map.
  EXPECT_EQ(f.extents.ReadExtents("C:\\busy.db", true, true).ExtentCount, 1);
  EXPECT_EQ(f.extents.UnreadableCount, 2);
}

// Regression: a driver answering "more data" without moving on made the reader loop forever.
TEST_F(ExtentsTest, MoreDataThatDoesNotAdvanceEndsTheRead) {
  f.platform.InjectStuckRetrieval("C:\\e1025.dat");
  ExtentList list = f.extents.ReadExtents("C:\\e1025.dat", false, false);
  EXPECT_GE(list.ExtentCount, 1);
  EXPECT_LT(list.ExtentCount, 1025);
}

}  // namespace
}  // namespace tarvonel
