#include "placement/passes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "analysis/volume_constants.h"
#include "test_harness.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using test::MachineWithVolume;
using test::ProgramHarness;

std::string Generated(const char* fileSystem, int seed) {
  return R"({"file_system": ")" + std::string(fileSystem) + R"(", "total_clusters": 65536, "metadata_clusters": [[0, 16]],
    "generate": {"files": 600, "directories": 40, "fragmented_percent": 30, "max_fragments": 14, "fill_percent": 45,
                 "seed": )" + std::to_string(seed) + R"(, "windows_folder": true}})";
}

struct PassCase {
  explicit PassCase(const std::string& volume) : h(MachineWithVolume(volume)) {
    h.program.Run();
    h.platform.VerifyEveryMove(true);
  }
  JobWindow& jobs() { return h.program.Jobs(); }
  // Files still fragmented after a fresh analysis.
  std::vector<std::string> Fragmented() {
    jobs().cmdanalysemore.Click();
    std::vector<std::string> names;
    for (const std::string& name : h.program.Job().Fragmented().names) {
      if (!name.empty()) names.push_back(name);
    }
    return names;
  }
  ProgramHarness h;
};

TEST(DefragPass, LeavesEveryFileThatHadRoomContiguousAndLosesNothing) {
  for (const char* fileSystem : {"NTFS", "FAT32"}) {
    PassCase c(Generated(fileSystem, 11));
    c.h.program.Settings().DebugLog = true;
    const size_t before = c.Fragmented().size();
    ASSERT_GT(before, 20u) << fileSystem;
    c.jobs().cmdDefrag.Click();
    EXPECT_EQ(c.h.platform.InvariantFailure(), "") << fileSystem;
    EXPECT_EQ(c.jobs().Caption(), "Volume C:\\");
    EXPECT_EQ(c.jobs().State(), JobWindowState::Idle);
    EXPECT_FALSE(c.h.program.Flags().AnalysisValid);
    EXPECT_FALSE(c.jobs().Affiche.Enabled());
    // What stays fragmented found no free run large enough, and said so.
    const std::string log = c.h.program.Log().Text();
    const std::vector<std::string> left = c.Fragmented();
    EXPECT_LT(left.size(), before / 5) << fileSystem;
    for (const std::string& path : left) {
      const bool noGap = log.find("DFR:can't move: " + path + ", prolly no gap") != std::string::npos;
      const bool pieces = log.find("DFR:partial_mv: " + path + " extents: ") != std::string::npos;
      EXPECT_TRUE(noGap || pieces) << fileSystem << ": " << path << " had room but stayed fragmented";
    }
  }
}

// Regression: folder searches used the plain path, so a folder whose search path passed
// MAX_PATH, or whose name ends in a dot or a space, read as empty and its files were never
// counted or moved.
TEST(DefragPass, FindsAndMovesFilesBelowLongPathsAndTrailingDotFolders) {
  std::string deep = R"({"name": "deep.dat", "extents": [[3000, 4], [3100, 4]]})";
  for (int level = 5; level >= 1; --level) {
    deep = R"({"name": ")" + std::string(60, static_cast<char>('a' + level)) + R"(", "type": "directory", "extents": [[)" +
           std::to_string(2000 + level) + R"(, 1]], "entries": [)" + deep + "]}";
  }
  PassCase c(R"({"total_clusters": 20000, "entries": [)" + deep + R"(,
    {"name": "dot.", "type": "directory", "extents": [[2100, 1]], "entries": [
      {"name": "a.dat", "extents": [[3200, 4], [3300, 4]]}]},
    {"name": "space ", "type": "directory", "extents": [[2101, 1]], "entries": [
      {"name": "b.dat", "extents": [[3400, 4], [3500, 4]]}]}]})");
  const std::vector<std::string> before = c.Fragmented();
  EXPECT_EQ(c.h.program.Files().FileCount, 3) << c.h.platform.Dump();
  EXPECT_EQ(before.size(), 3u);
  EXPECT_THAT(before, testing::Contains(testing::EndsWith("\\deep.dat")));
  EXPECT_THAT(before, testing::Contains("C:\\dot.\\a.dat"));
  EXPECT_THAT(before, testing::Contains("C:\\space \\b.dat"));
  c.jobs().cmdDefrag.Click();
  EXPECT_EQ(c.h.platform.InvariantFailure(), "");
  EXPECT_THAT(c.Fragmented(), testing::IsEmpty()) << "every file was found and made contiguous";
}

TEST(OptimizePass, FrontZoneHoldsDirectoriesAndBootFilesAfterwards) {
  PassCase c(Generated("NTFS", 12));
  c.h.program.Settings().DebugLog = true;
  c.jobs().SmartOptimize.Click();
  EXPECT_EQ(c.h.platform.InvariantFailure(), "") << c.h.platform.Dump();
  EXPECT_FALSE(c.h.program.Flags().CatalogueComplete);
  // A fresh placement analysis: directories and boot files start inside the front zone.
  c.h.program.Flags().CollectPlacementLists = true;
  c.jobs().Analyze_This();
  const int32_t end = c.h.program.Zones().EndReserved;
  ExtentReader& reader = c.h.program.Extents();
  int inFront = 0;
  const auto& lists = c.h.program.Files().Lists;
  for (const std::string& dir : lists.dirs_to_move) inFront += reader.FirstLcn(dir) < end;
  EXPECT_EQ(inFront, static_cast<int>(lists.dirs_to_move.size())) << "every directory with clusters is in the front zone";
  for (const std::string& boot : lists.prefetch_files) EXPECT_LT(reader.FirstLcn(boot), end) << boot;
  EXPECT_THAT(c.Fragmented(), ::testing::IsEmpty());
}

TEST(Passes, StopEndsEachPassWhereItsPartSays) {
  PassCase defrag(Generated("NTFS", 13));
  defrag.h.toolkit.QueueAction([&] {
    // The first yield inside the pass proper (after the analysis) brings the Stop.
    defrag.h.toolkit.QueueAction([&] { defrag.jobs().Arretdefrag.Click(); });
  });
  defrag.h.program.Flags().AnalysisValid = true;  // analysed already: the pass starts moving at once
  defrag.jobs().cmdDefrag.Click();
  EXPECT_EQ(defrag.jobs().Caption(), "Volume C:\\");
  EXPECT_GT(defrag.Fragmented().size(), 10u) << "stopped after a file or two";

  // Optimize: a stop during phase 1 skips the MFT and ends every later phase at its first element.
  PassCase optimize(Generated("NTFS", 14));
  optimize.h.program.Flags().CollectPlacementLists = true;
  optimize.jobs().Analyze_This();
  optimize.h.toolkit.QueueAction([&] {
    optimize.h.toolkit.QueueAction([&] { optimize.jobs().Arretdefrag.Click(); });
  });
  const int movesBefore = optimize.h.platform.Moves();
  optimize.jobs().SmartOptimize.Click();
  EXPECT_LE(optimize.h.platform.Moves() - movesBefore, 2) << "at most the element in hand moved";
  EXPECT_EQ(optimize.jobs().etfich.Caption(), "");
  EXPECT_EQ(optimize.jobs().PB.Value(), 0);

  // Compact: the stop is tested after each element, so the compaction loop still does its first.
  PassCase compact(Generated("NTFS", 15));
  compact.h.program.Flags().CollectPlacementLists = true;
  compact.jobs().Analyze_This();
  compact.h.toolkit.QueueAction([&] {
    compact.h.toolkit.QueueAction([&] { compact.jobs().Arretdefrag.Click(); });
  });
  const int compactBefore = compact.h.platform.Moves();
  compact.jobs().cmdCompact.Click();
  EXPECT_GE(compact.h.platform.Moves() - compactBefore, 1) << "the compaction loop's first element still moves";
  EXPECT_LE(compact.h.platform.Moves() - compactBefore, 3);
  EXPECT_GT(compact.h.program.Zones().EndReserved, 0) << "set to 0, then recomputed by the closing refresh";
  EXPECT_EQ(compact.h.platform.InvariantFailure(), "");
}

TEST(Passes, FatVolumesHaveNoMftPhase) {
  PassCase c(Generated("FAT32", 16));
  c.h.program.Settings().DebugLog = true;
  c.jobs().SmartOptimize.Click();
  EXPECT_EQ(c.h.program.Log().Text().find("$MFT"), std::string::npos);
  EXPECT_EQ(c.h.platform.InvariantFailure(), "");
}

TEST(Passes, EmptyFragmentedListStillExaminesTheMft) {
  PassCase c(R"({"total_clusters": 4000, "metadata_clusters": [[0, 10]], "entries": [
    {"name": "$MFT", "metadata": true, "extents": [[1000, 4], [1100, 4], [1200, 4], [1300, 4], [1400, 4], [1500, 4]]},
    {"name": "one.dat", "extents": [[2000, 4]]}]})");
  c.h.program.Settings().DebugLog = true;
  c.jobs().cmdDefrag.Click();
  EXPECT_EQ(c.jobs().PB.Max(), 1) << "the one empty element";
  EXPECT_NE(c.h.program.Log().Text().find("C:\\$MFT"), std::string::npos) << c.h.program.Log().Text();
}

}  // namespace
}  // namespace tarvonel
