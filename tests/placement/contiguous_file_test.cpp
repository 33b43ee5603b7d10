// The plan that makes one file contiguous: which window, what leaves it, and what it costs.
#include "placement/contiguous_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvonel {
namespace {

// A volume drawn as text, one character per cluster: '.' free, '#' used by nothing listed,
// 'a'..'z' a file's clusters in VCN order from left to right, 'T' the target's (its VCNs run
// from left to right unless `targetRuns` says otherwise).
struct Drawn {
  std::vector<FileLayout> layouts;
  std::vector<bool> inUse;
  size_t target = 0;
};

Drawn Draw(const std::string& picture, const std::vector<ClusterRun>& targetRuns = {}) {
  Drawn drawn;
  drawn.inUse.assign(picture.size(), false);
  std::vector<char> names;
  for (size_t lcn = 0; lcn < picture.size(); ++lcn) {
    const char c = picture[lcn];
    if (c == '.') continue;
    drawn.inUse[lcn] = true;
    if (c == '#') continue;
    size_t index = 0;
    while (index < names.size() && names[index] != c) ++index;
    if (index == names.size()) {
      names.push_back(c);
      FileLayout layout;
      layout.path = std::string("C:\\") + c;
      drawn.layouts.push_back(layout);
    }
    FileLayout& layout = drawn.layouts[index];
    const int64_t vcn = layout.Clusters();
    if (!layout.runs.empty() && layout.runs.back().lcn + layout.runs.back().length == static_cast<int64_t>(lcn)) {
      ++layout.runs.back().length;
    } else {
      layout.runs.push_back({vcn, static_cast<int64_t>(lcn), 1});
    }
    if (c == 'T') drawn.target = index;
  }
  if (!targetRuns.empty()) drawn.layouts[drawn.target].runs = targetRuns;
  return drawn;
}

// What every plan must keep: what leaves the window lands outside it on clusters free before,
// no cluster is aimed at twice, and every other file's cluster in the window leaves it.
void ExpectSoundClearing(const Drawn& drawn, const ContiguousPlan& plan) {
  const int64_t end = plan.windowStart + plan.clusters;
  std::vector<bool> taken(drawn.inUse.size(), false);
  int64_t cleared = 0;
  for (const RunMove& move : plan.clearing) {
    EXPECT_NE(move.owner, drawn.target);
    for (int64_t lcn = move.lcn; lcn < move.lcn + move.length; ++lcn) {
      EXPECT_TRUE(lcn < plan.windowStart || lcn >= end) << "a clearing move lands in the window at " << lcn;
      EXPECT_FALSE(drawn.inUse[static_cast<size_t>(lcn)]) << "aimed at a used cluster " << lcn;
      EXPECT_FALSE(taken[static_cast<size_t>(lcn)]) << "aimed at twice: " << lcn;
      taken[static_cast<size_t>(lcn)] = true;
    }
    cleared += move.length;
  }
  int64_t others = 0;
  for (size_t i = 0; i < drawn.layouts.size(); ++i) {
    if (i == drawn.target) continue;
    for (const ClusterRun& run : drawn.layouts[i].runs) {
      for (int64_t lcn = run.lcn; lcn < run.lcn + run.length; ++lcn) others += lcn >= plan.windowStart && lcn < end ? 1 : 0;
    }
  }
  EXPECT_EQ(cleared, others);
  EXPECT_EQ(plan.clearingClusters, others);
}

TEST(ContiguousPlan, TakesTheWindowThatNeedsTheFewestClustersMoved) {
  // The file's three pieces; moving b out (2 clusters) and the last piece in (1) beats any
  // window on the free space at the end, which is too small, or around c.
  const Drawn drawn = Draw("TTbbT...c..ccc..");
  const ContiguousPlan plan = PlanContiguous(drawn.layouts, drawn.target, drawn.inUse);
  ASSERT_TRUE(plan.possible) << plan.problem;
  EXPECT_EQ(plan.windowStart, 0);
  EXPECT_EQ(plan.clusters, 3);
  EXPECT_EQ(plan.movingIn, 1);
  EXPECT_EQ(plan.TotalClusters(), 2);  // b's first cluster out, the file's last piece in
  EXPECT_EQ(plan.leastAnyTool, plan.TotalClusters());
  ExpectSoundClearing(drawn, plan);
}

TEST(ContiguousPlan, CountsClustersAlreadyInPlaceAndNeverMovesThem) {
  // Window 4..11 holds the file's VCNs 2..5 at LCNs 6..9, in their places for a start at 4.
  const Drawn drawn =
      Draw("TTa.aaTTTTbbbb......", {{0, 0, 2}, {2, 6, 4}});
  const ContiguousPlan plan = PlanContiguous(drawn.layouts, drawn.target, drawn.inUse);
  ASSERT_TRUE(plan.possible) << plan.problem;
  EXPECT_EQ(plan.clusters, 6);
  // Start 4: a's two clusters out, VCNs 0 and 1 in; in place: 4.
  EXPECT_EQ(plan.windowStart, 4);
  EXPECT_EQ(plan.movingIn, 2);
  EXPECT_EQ(plan.TotalClusters(), 4);
  EXPECT_LE(plan.leastAnyTool, plan.TotalClusters());
  ExpectSoundClearing(drawn, plan);
}

TEST(ContiguousPlan, RefusesBeforeMovingWhenTheVolumeCannotHoldTheFileWhole) {
  // One free cluster; every window of four holds two clusters of other files.
  const Drawn full = Draw("TaTa.bTbT");
  const ContiguousPlan tooFull = PlanContiguous(full.layouts, full.target, full.inUse);
  EXPECT_FALSE(tooFull.possible);
  EXPECT_EQ(tooFull.problem, "the volume has too little free space to clear a place for it");
  EXPECT_TRUE(tooFull.clearing.empty());

  // Clusters no listed file holds (the file system's own) cannot be moved out of a window.
  const Drawn fixed = Draw("T#T#T#T#...#...#");
  const ContiguousPlan blocked = PlanContiguous(fixed.layouts, fixed.target, fixed.inUse);
  EXPECT_FALSE(blocked.possible);
  EXPECT_EQ(blocked.problem, "no part of the volume of its size is free of clusters that cannot move");

  // Nor can the clusters of a file whose extents could not be read.
  Drawn unreadable = Draw("TaTa....");
  unreadable.layouts[1].readable = false;
  const ContiguousPlan around = PlanContiguous(unreadable.layouts, unreadable.target, unreadable.inUse);
  ASSERT_TRUE(around.possible);
  EXPECT_GE(around.windowStart, 4);
}

TEST(ContiguousPlan, AFileWhoseStartMovesOnlyWholeKeepsItOrTakesAWindowWithNoneOfItsClusters) {
  // Its first cluster may stay where it is while the rest moves in, as in pieces.
  const Drawn stays = Draw("TTbbT...c..ccc..");
  const ContiguousPlan kept = PlanContiguous(stays.layouts, stays.target, stays.inUse, TargetMoves::StartOnlyWhole);
  ASSERT_TRUE(kept.possible) << kept.problem;
  EXPECT_FALSE(kept.wholeFile);
  EXPECT_EQ(kept.windowStart, 0);
  EXPECT_EQ(kept.movingIn, 1);

  // In pieces, the best window (3) moves the first cluster without the rest; such a file goes
  // whole to the free run at 6 instead, copied before its old clusters are let go.
  const Drawn drawn = Draw("aTaaTT....");
  EXPECT_EQ(PlanContiguous(drawn.layouts, drawn.target, drawn.inUse).windowStart, 3);
  const ContiguousPlan plan = PlanContiguous(drawn.layouts, drawn.target, drawn.inUse, TargetMoves::StartOnlyWhole);
  ASSERT_TRUE(plan.possible) << plan.problem;
  EXPECT_TRUE(plan.wholeFile);
  EXPECT_EQ(plan.windowStart, 6);
  EXPECT_EQ(plan.movingIn, 3);
  EXPECT_TRUE(plan.clearing.empty());

  // With no free run that size, others are cleared from a window clear of the file.
  const Drawn tight = Draw("T#T.bb.T.c..");
  const ContiguousPlan cleared = PlanContiguous(tight.layouts, tight.target, tight.inUse, TargetMoves::StartOnlyWhole);
  ASSERT_TRUE(cleared.possible) << cleared.problem;
  EXPECT_TRUE(cleared.wholeFile);
  for (const ClusterRun& run : tight.layouts[tight.target].runs) {
    EXPECT_TRUE(run.lcn + run.length <= cleared.windowStart || run.lcn >= cleared.windowStart + 3)
        << "the window holds the file's cluster " << run.lcn;
  }
  EXPECT_EQ(cleared.movingIn, 3);
  ExpectSoundClearing(tight, cleared);

  // First cluster last on the volume, every window holding some of the file: it cannot move whole.
  const Drawn spread = Draw("T.T.T.", {{0, 4, 1}, {1, 0, 1}, {2, 2, 1}});
  EXPECT_FALSE(PlanContiguous(spread.layouts, spread.target, spread.inUse, TargetMoves::StartOnlyWhole).possible);
  EXPECT_TRUE(PlanContiguous(spread.layouts, spread.target, spread.inUse).possible);
}

TEST(ContiguousPlan, AFileInOnePieceNeedsNothing) {
  const Drawn drawn = Draw("..TTTT..a");
  const ContiguousPlan plan = PlanContiguous(drawn.layouts, drawn.target, drawn.inUse);
  EXPECT_TRUE(plan.possible);
  EXPECT_EQ(plan.windowStart, 2);
  EXPECT_EQ(plan.TotalClusters(), 0);
  EXPECT_TRUE(plan.clearing.empty());
}

TEST(ContiguousPlan, AWindowTheFileFillsOutOfOrderNeedsRoomToTurn) {
  // The file's two halves swapped, filling the volume but one cluster: turning them needs that
  // cluster; with none free, nothing can be done.
  const std::vector<ClusterRun> swapped{{0, 2, 2}, {2, 0, 2}};
  const Drawn roomy = Draw("TTTT.", swapped);
  const ContiguousPlan plan = PlanContiguous(roomy.layouts, roomy.target, roomy.inUse);
  ASSERT_TRUE(plan.possible) << plan.problem;
  EXPECT_EQ(plan.windowStart, 0);
  EXPECT_EQ(plan.movingIn, 4);
  ASSERT_EQ(plan.spare.size(), 1u);
  EXPECT_EQ(plan.spare[0].lcn, 4);

  const Drawn tight = Draw("TTTT", swapped);
  EXPECT_FALSE(PlanContiguous(tight.layouts, tight.target, tight.inUse).possible);
}

TEST(ContiguousPlan, SplitsAPieceOverTheLargestSpansOnlyWhenNoSpanHoldsItWhole) {
  // b (3 clusters) leaves the window at 0..7; the free span of three at the end holds it whole,
  // and the single free clusters stay for later.
  const Drawn whole = Draw("TTTTbbbTTTT.a.a...");
  const ContiguousPlan plan = PlanContiguous(whole.layouts, whole.target, whole.inUse);
  ASSERT_TRUE(plan.possible) << plan.problem;
  EXPECT_EQ(plan.windowStart, 0);
  ASSERT_EQ(plan.clearing.size(), 1u);
  EXPECT_EQ(plan.clearing[0].lcn, 15);
  ExpectSoundClearing(whole, plan);

  // Only single free clusters outside the window: b goes in three parts.
  const Drawn split = Draw("TTTTbbbTTTT#.#.#.#.");
  const ContiguousPlan parts = PlanContiguous(split.layouts, split.target, split.inUse);
  ASSERT_TRUE(parts.possible) << parts.problem;
  EXPECT_EQ(parts.clearing.size(), 3u);
  ExpectSoundClearing(split, parts);
}

}  // namespace
}  // namespace tarvonel
