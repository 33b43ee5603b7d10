#include "volume/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "analysis/volume_constants.h"
#include "base/job_flags.h"
#include "base/volume_zones.h"
#include "platform/win32_codes.h"
#include "volume/volume_access.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::MachineWithVolume;

// Zones fixed by the test: front zone [0, 1000), MFT zone (800, 1200), optimize area above 50000.
const char* const kVolume = R"({"total_clusters": 100000, "mft_zone": [[800, 400]], "entries": [
  {"name": "front.dat", "extents": [[500, 10]]},
  {"name": "both.dat", "extents": [[900, 5]]},
  {"name": "zone.dat", "extents": [[1100, 5]]},
  {"name": "far.dat", "extents": [[60000, 5]]},
  {"name": "frag.dat", "extents": [[3000, 2], [3100, 2], [3200, 2]]},
  {"name": "sparse.dat", "sparse": true, "extents": [[-1, 5], [70000, 3]]},
  {"name": "resident.txt", "resident": true},
  {"name": "pagefile.sys", "in_use": "paging_file", "extents": [[400, 50]]},
  {"name": "a.txt", "extents": [[4000, 1]], "streams": [{"name": "extra", "extents": [[600, 1], [620, 1]]}]},
  {"name": "Docs", "type": "directory", "extents": [[5000, 1]], "entries": [
    {"name": "deep.dat", "extents": [[61000, 1]]}
  ]},
  {"name": "Early", "type": "directory", "extents": [[450, 1]]},
  {"name": "Tiny", "type": "directory"},
  {"name": ".git", "type": "directory", "extents": [[6000, 1]], "entries": [{"name": "x.dat", "extents": [[6100, 1]]}]},
  {"name": "Loop", "type": "junction", "target": "C:\\"},
  {"name": "Windows", "type": "directory", "extents": [[7000, 1]], "entries": [
    {"name": "Prefetch", "type": "directory", "extents": [[460, 1]], "entries": [
      {"name": "early.pf", "extents": [[300, 1]]},
      {"name": "late.pf", "extents": [[65000, 1]]}
    ]}
  ]}
]})";

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() {
    volume.SelectDrive("C:\\");
    zones.EndReserved = 1000;
    zones.OptimizeAreaStart = 50000;
  }

  test::VolumeFixture f{MachineWithVolume(kVolume)};
  VolumeAccess volume{f.platform};
  VolumeZones zones;
  JobFlags flags;
  std::string prefetchDir = "C:\\Windows\\Prefetch";
  Catalogue catalogue{f.platform, f.events, f.extents, flags, volume.Geometry(), zones, prefetchDir};
  FragmentedPaths fragmented;
};

TEST_F(CatalogueTest, WalkSortsEveryEntryByItsZone) {
  flags.CollectPlacementLists = true;
  catalogue.WalkDirectory("C:\\", fragmented, true);

  EXPECT_EQ(catalogue.FileCount, 12) << "streams are no files; .git's file is never reached";
  EXPECT_EQ(catalogue.DirectoryCount, 5) << "Docs, Early, Tiny, Windows, Prefetch; not .git, not the junction";
  EXPECT_THAT(fragmented, ElementsAre("", "C:\\frag.dat", "C:\\sparse.dat", ""));
  EXPECT_EQ(catalogue.FragmentedCount, 2);
  EXPECT_THAT(catalogue.Lists.move_out_files,
              ElementsAre("C:\\front.dat", "C:\\both.dat", "C:\\both.dat", "C:\\zone.dat", "C:\\a.txt:extra",
                          "C:\\Early", "C:\\Windows\\Prefetch\\early.pf"));
  EXPECT_THAT(catalogue.Lists.optimize_files, ElementsAre("C:\\far.dat", "C:\\sparse.dat", "C:\\Docs\\deep.dat"));
  EXPECT_THAT(catalogue.Lists.dirs_to_move,
              ElementsAre("C:\\Docs", "C:\\Early", "C:\\Windows", "C:\\Windows\\Prefetch"));
  EXPECT_TRUE(flags.CatalogueComplete);
  EXPECT_EQ(f.extents.UnreadableCount, 1) << "the paging file";
  EXPECT_EQ(f.platform.OpenHandles(), 1) << "only the shared volume handle";
}

// Regression: with no prefetch folder (a card's job) the empty prefix took every file for one of
// its files, and Compact and Optimize found nothing far back to bring forward.
TEST_F(CatalogueTest, WithoutAPrefetchFolderFarFilesAreStillOptimizeCandidates) {
  prefetchDir.clear();
  flags.CollectPlacementLists = true;
  catalogue.WalkDirectory("C:\\", fragmented, true);
  EXPECT_THAT(catalogue.Lists.optimize_files, ElementsAre("C:\\far.dat", "C:\\sparse.dat", "C:\\Docs\\deep.dat",
                                                          "C:\\Windows\\Prefetch\\late.pf"));
}

TEST_F(CatalogueTest, WithoutPlacementListsOnlyCountsAndFragments) {
  catalogue.WalkDirectory("C:\\", fragmented, true);
  EXPECT_EQ(catalogue.FileCount, 12);
  EXPECT_THAT(catalogue.Lists.move_out_files, IsEmpty());
  EXPECT_THAT(catalogue.Lists.optimize_files, IsEmpty());
  EXPECT_FALSE(flags.CatalogueComplete);
  EXPECT_EQ(catalogue.FragmentedCount, 2);
}

TEST_F(CatalogueTest, StopReleasesTheListsAndKeepsTheCounts) {
  flags.CollectPlacementLists = true;
  // The first directory's yield brings the Stop click.
  f.events.QueueAction([this] { flags.StopRequested = true; });
  catalogue.WalkDirectory("C:\\", fragmented, true);
  EXPECT_THAT(catalogue.Lists.move_out_files, IsEmpty());
  EXPECT_THAT(catalogue.Lists.optimize_files, IsEmpty());
  EXPECT_THAT(fragmented, IsEmpty());
  EXPECT_EQ(catalogue.DirectoryCount, 1) << "stopped when entering Docs";
  EXPECT_EQ(catalogue.FileCount, 9) << "the files listed before Docs";
  EXPECT_EQ(f.platform.OpenHandles(), 1) << "only the shared volume handle";
}

TEST_F(CatalogueTest, FragmentedExtentTableHasAnEmptyFirstAndLastRecord) {
  f.platform.QueueInputState({true, false, true});
  std::vector<ExtentList> table = catalogue.ReadFragmentedExtents("C:\\", f.events);
  ASSERT_EQ(table.size(), 4u);
  EXPECT_EQ(table[0].ExtentCount, 0);
  EXPECT_EQ(table[1].Path, "C:\\frag.dat");
  EXPECT_EQ(table[1].ExtentCount, 3);
  EXPECT_EQ(table[2].ExtentCount, 2);
  EXPECT_EQ(table[3].ExtentCount, 0);
  EXPECT_THAT(f.events.shown, ElementsAre("start counters", "stop counters", "file ", "progress 0..4"));
  EXPECT_EQ(f.events.Progress(), 4);
}

TEST_F(CatalogueTest, StoppedWalkGivesAnEmptyTable) {
  f.events.QueueAction([this] { flags.StopRequested = true; });
  EXPECT_THAT(catalogue.ReadFragmentedExtents("C:\\", f.events), IsEmpty());
  EXPECT_EQ(f.events.Maximum(), 0) << "no extent was read";
}

TEST_F(CatalogueTest, SubdirectoryWalkStartsBelowItsPath) {
  flags.CollectPlacementLists = true;
  catalogue.WalkDirectory("C:\\Windows\\", fragmented, true);
  EXPECT_EQ(catalogue.FileCount, 2);
  EXPECT_THAT(catalogue.Lists.dirs_to_move, ElementsAre("C:\\Windows\\Prefetch"));
}

TEST(CatalogueStreams, ManyLongStreamNamesGrowTheBuffer) {
  std::string streams;
  for (int i = 0; i < 120; ++i) {
    streams += (i ? "," : "") + std::string(R"({"name": "stream_with_a_rather_long_name_)") + std::to_string(i) + "\"}";
  }
  test::VolumeFixture f(MachineWithVolume(R"({"entries": [{"name": "many.dat", "extents": [[100, 1]], "streams": [)" +
                                          streams + "]}, {\"name\": \"plain.dat\", \"extents\": [[200, 1]]}]}"));
  VolumeZones zones;
  JobFlags flags;
  VolumeGeometry geometry;
  std::string prefetch;
  Catalogue catalogue(f.platform, f.events, f.extents, flags, geometry, zones, prefetch);
  EXPECT_TRUE(catalogue.QueryStreams("C:\\many.dat"));
  ASSERT_EQ(catalogue.StreamNames.size(), 120u);
  EXPECT_EQ(catalogue.StreamNames[119], "C:\\many.dat:stream_with_a_rather_long_name_119");
  EXPECT_FALSE(catalogue.QueryStreams("C:\\plain.dat")) << "the unnamed stream is passed over";
  EXPECT_FALSE(catalogue.QueryStreams("C:\\missing.dat"));
  EXPECT_EQ(f.platform.OpenHandles(), 0);
}

// Found by fuzzing: a driver answering "buffer too small" to every size made the query grow its
// buffer until memory ran out.
TEST(CatalogueStreams, ADriverThatAlwaysWantsMoreIsGivenUpOn) {
  class AlwaysOverflowing : public SimPlatform {
   public:
    using SimPlatform::SimPlatform;
    uint32_t NtQueryInformationFile(OsHandle&, void*, uint32_t length, uint32_t, uint32_t& information) override {
      ++calls;
      largest = std::max(largest, length);
      information = length;
      return win32::kStatusBufferOverflow;
    }
    int calls = 0;
    uint32_t largest = 0;
  };
  AlwaysOverflowing platform(ParseMachine(MachineWithVolume(R"({"entries": [{"name": "a.dat", "extents": [[100, 1]]}]})")));
  JobSettings settings;
  test::RecordingEvents events;
  SystemErrorText errorText(platform, {});
  ExtentReader extents(platform, settings, events, errorText);
  VolumeZones zones;
  JobFlags flags;
  VolumeGeometry geometry;
  std::string prefetch;
  Catalogue catalogue(platform, events, extents, flags, geometry, zones, prefetch);
  EXPECT_FALSE(catalogue.QueryStreams("C:\\a.dat"));
  EXPECT_TRUE(catalogue.StreamNames.empty());
  EXPECT_LE(platform.largest, 16u << 20);
  EXPECT_LT(platform.calls, 20);
}

}  // namespace
}  // namespace tarvonel
