// A file made contiguous through the engine's move call on a simulated volume: what the plan
// says is what the volume ends with, the file in one run, every other file whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "placement/contiguous_file.h"
#include "volume/cluster_moves.h"
#include "volume/file_layout.h"
#include "volume/free_runs.h"
#include "volume/volume_access.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

struct MakerCase {
  explicit MakerCase(const std::string& volume) : f(test::MachineWithVolume(volume)) {
    f.settings.DriveRoot = "C:\\";
    access.SelectDrive("C:\\");
  }
  std::vector<FileLayout> Walk() { return WalkFileLayouts(f.platform, f.extents, "C:\\"); }
  std::vector<bool> InUse() {
    int32_t total = 0;
    const FreeRunList runs = ReadFreeRuns(f.platform, access.VolumeHandle(), total);
    std::vector<bool> inUse(static_cast<size_t>(total), true);
    for (const FreeRun& run : runs) {
      for (int32_t i = 0; i < run.Length; ++i) inUse[static_cast<size_t>(run.Lcn + i)] = false;
    }
    return inUse;
  }
  size_t Index(const std::vector<FileLayout>& layouts, const std::string& path) {
    for (size_t i = 0; i < layouts.size(); ++i) {
      if (layouts[i].path == path) return i;
    }
    ADD_FAILURE() << path << " is not on the volume";
    return 0;
  }
  // Makes `path` contiguous; the outcome, and the plan it followed.
  ContiguousOutcome Make(const std::string& path, ContiguousPlan& plan, std::function<bool()> stop = {},
                         TargetMoves targetMoves = TargetMoves::InPieces) {
    const std::vector<FileLayout> layouts = Walk();
    const size_t target = Index(layouts, path);
    plan = PlanContiguous(layouts, target, InUse(), targetMoves);
    EXPECT_TRUE(plan.possible) << plan.problem;
    ContiguousMaker maker(mover, f.extents, access.VolumeHandle());
    return maker.Carry(layouts, target, plan, {}, std::move(stop));
  }

  test::VolumeFixture f;
  VolumeAccess access{f.platform};
  ClusterMover mover{f.platform, f.events, f.settings, access.Geometry(), f.errorText};
};

int64_t ClustersOf(const std::vector<FileLayout>& layouts, const std::string& path) {
  for (const FileLayout& layout : layouts) {
    if (layout.path == path) return layout.Clusters();
  }
  return -1;
}

TEST(ContiguousMaker, ClearsTheWindowAndMovesEachClusterOnce) {
  // big.iso in four pieces between other files; 20 free clusters at the end.
  MakerCase c(R"({"file_system": "FAT32", "total_clusters": 64, "entries": [
    {"name": "big.iso", "extents": [[0, 4], [8, 4], [16, 4], [24, 4]]},
    {"name": "a.dat", "extents": [[4, 4]]}, {"name": "b.dat", "extents": [[12, 4]]},
    {"name": "c.dat", "extents": [[20, 4], [40, 4]]}, {"name": "keep.dat", "extents": [[28, 12]]}]})");
  const std::vector<FileLayout> before = c.Walk();
  ContiguousPlan plan;
  const ContiguousOutcome outcome = c.Make("C:\\big.iso", plan);
  ASSERT_EQ(outcome.error, "");
  EXPECT_FALSE(outcome.stopped);
  EXPECT_EQ(outcome.clustersMoved, plan.TotalClusters());
  EXPECT_LE(plan.TotalClusters(), 2 * plan.leastAnyTool);

  const std::vector<FileLayout> after = c.Walk();
  const FileLayout& big = after[c.Index(after, "C:\\big.iso")];
  ASSERT_EQ(big.runs.size(), 1u);
  EXPECT_EQ(big.runs[0].lcn, plan.windowStart);
  for (const FileLayout& layout : before) EXPECT_EQ(ClustersOf(after, layout.path), layout.Clusters()) << layout.path;
  // No cluster is held twice.
  std::vector<int> holders(64, 0);
  for (const FileLayout& layout : after) {
    for (const ClusterRun& run : layout.runs) {
      for (int64_t lcn = run.lcn; lcn < run.lcn + run.length; ++lcn) ++holders[static_cast<size_t>(lcn)];
    }
  }
  EXPECT_EQ(*std::max_element(holders.begin(), holders.end()), 1);
}

TEST(ContiguousMaker, AFileWhoseStartMovesOnlyWholeMovesInOneCall) {
  // Clusters that cannot move keep big.iso's start from staying, and no free run holds its nine
  // clusters: the last of d.dat leaves 29..37 first, then the file moves there in one call.
  MakerCase c(R"({"file_system": "FAT32", "total_clusters": 40, "metadata_clusters": [[3, 3], [38, 2]], "entries": [
    {"name": "big.iso", "extents": [[0, 3], [6, 3], [12, 3]]}, {"name": "b.dat", "extents": [[9, 3]]},
    {"name": "c.dat", "extents": [[16, 2], [20, 2], [24, 2]]}, {"name": "d.dat", "extents": [[26, 4]]}]})");
  ContiguousPlan plan;
  const ContiguousOutcome outcome = c.Make("C:\\big.iso", plan, {}, TargetMoves::StartOnlyWhole);
  ASSERT_EQ(outcome.error, "");
  ASSERT_FALSE(plan.clearing.empty());
  EXPECT_EQ(outcome.moves, static_cast<int>(plan.clearing.size()) + 1);
  EXPECT_EQ(outcome.clustersMoved, plan.clearingClusters + 9);
  const std::vector<FileLayout> after = c.Walk();
  const FileLayout& big = after[c.Index(after, "C:\\big.iso")];
  ASSERT_EQ(big.runs.size(), 1u);
  EXPECT_EQ(big.runs[0].lcn, plan.windowStart);
  EXPECT_EQ(plan.windowStart, 29);
}

TEST(ContiguousMaker, TurnsAFileWhoseHalvesAreSwappedThroughTheOneFreeCluster) {
  MakerCase c(R"({"file_system": "FAT32", "total_clusters": 16, "metadata_clusters": [[9, 7]], "entries": [
    {"name": "swap.bin", "extents": [[4, 4], [0, 4]]}]})");
  ContiguousPlan plan;
  const ContiguousOutcome outcome = c.Make("C:\\swap.bin", plan);
  ASSERT_EQ(outcome.error, "");
  const std::vector<FileLayout> after = c.Walk();
  ASSERT_EQ(after.size(), 1u);
  ASSERT_EQ(after[0].runs.size(), 1u);
  EXPECT_EQ(after[0].runs[0], (ClusterRun{0, 0, 8}));
  // Every cluster moved at least once, and the one that stepped aside twice.
  EXPECT_GT(outcome.clustersMoved, 8);
}

TEST(ContiguousMaker, AStopBetweenTwoMovesLeavesEveryFileWhole) {
  MakerCase c(R"({"file_system": "FAT32", "total_clusters": 64, "entries": [
    {"name": "big.iso", "extents": [[0, 4], [8, 4], [16, 4], [24, 4]]},
    {"name": "a.dat", "extents": [[4, 4]]}, {"name": "b.dat", "extents": [[12, 4]]}]})");
  const std::vector<FileLayout> before = c.Walk();
  ContiguousPlan plan;
  int asked = 0;
  const ContiguousOutcome outcome = c.Make("C:\\big.iso", plan, [&] { return ++asked > 1; });
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.moves, 1);
  const std::vector<FileLayout> after = c.Walk();
  for (const FileLayout& layout : before) EXPECT_EQ(ClustersOf(after, layout.path), layout.Clusters()) << layout.path;
}

}  // namespace
}  // namespace tarvonel
