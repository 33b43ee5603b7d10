#include "placement/move_steps.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "analysis/volume_constants.h"
#include "base/win32_errors.h"
#include "base/job_flags.h"
#include "base/volume_zones.h"
#include "volume/volume_access.h"
#include "volume/cluster_moves.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::HasSubstr;
using test::MachineWithVolume;


// The move steps built from their parts on a simulated volume, its drive selected and its
// zones computed as a job's preparation does; no program, no window.
struct StepCase {
  explicit StepCase(const std::string& volume) : f(MachineWithVolume(volume)) {
    f.platform.VerifyEveryMove(true);
    f.settings.DriveRoot = "C:\\";
    f.settings.DebugLog = true;
    access.SelectDrive("C:\\");
    access.Geometry().FileSystemName = f.platform.QueryVolumeInformation("C:\\").fileSystemName;
    constants.ComputeVolumeConstants("C:");
    f.log.ClearDebugLog();
  }
  ~StepCase() { EXPECT_EQ(f.platform.InvariantFailure(), "") << f.platform.Dump(); }
  std::vector<Extent> ReadAll(const std::string& path) { return f.extents.ReadExtentsQuiet(path, false).Extents; }
  MoveSteps& steps() { return steps_; }
  const std::string& log() { return f.log.Text(); }

  test::VolumeFixture f;
  SimPlatform& platform = f.platform;
  JobSettings& settings = f.settings;
  JobFlags flags;
  VolumeAccess access{f.platform};
  VolumeGeometry& geometry = access.Geometry();
  VolumeZones zones;
  VolumeConstants constants{f.platform, f.platform, f.settings, f.events, access.Geometry(), zones};
  ClusterMover mover{f.platform, f.events, f.settings, access.Geometry(), f.errorText};
  MoveSteps steps_{f.platform, f.events, flags, access, zones, f.extents, mover};
};

TEST(DefragmentFile, FirstFitFromTheStartEvenBackwards) {
  StepCase c(R"({"total_clusters": 1000, "metadata_clusters": [[0, 10]], "entries": [
    {"name": "f.dat", "extents": [[500, 3], [600, 3]]}]})");
  EXPECT_EQ(c.steps().DefragmentFile("C:\\f.dat"), 0);
  EXPECT_EQ(c.ReadAll("C:\\f.dat"), (std::vector<Extent>{{6, 10}}));
  EXPECT_EQ(c.platform.OpenHandles(), 1) << "the step closed its file";
}

TEST(DefragmentFile, ElevenExtentsWithoutRoomStayTwelveGoPiecewise) {
  // Free space: runs of 5 clusters only.
  std::string blockers = "[0, 300]";
  for (int lcn = 305; lcn < 995; lcn += 10) blockers += ",[" + std::to_string(lcn) + ",5]";
  blockers += ",[995,5]";
  StepCase c(R"({"total_clusters": 2000, "metadata_clusters": [)" + blockers + R"(, [1045, 955]], "entries": [
    {"name": "eleven.dat", "extents": )" + test::ScatteredRuns(11, 1000) + R"(},
    {"name": "twelve.dat", "extents": )" + test::ScatteredRuns(12, 1022) + R"(}]})");
  c.steps().DefragmentFile("C:\\eleven.dat");
  EXPECT_THAT(c.log(), HasSubstr("DFR:can't move: C:\\eleven.dat, prolly no gap\r\n"));
  EXPECT_EQ(c.ReadAll("C:\\eleven.dat").size(), 11u);
  c.steps().DefragmentFile("C:\\twelve.dat");
  EXPECT_THAT(c.log(), HasSubstr("DFR:partial_mv: C:\\twelve.dat extents: 12\r\n"));
  EXPECT_THAT(c.log(), HasSubstr("DFR:partial_mv: C:\\twelve.dat-0-5-ret:0\r\n"));
  // Regression: the last piece asked for a whole free run's length past the file's end, which
  // NTFS refuses, leaving the tail behind; it now asks only for what is left.
  EXPECT_THAT(c.log(), HasSubstr("DFR:partial_mv: C:\\twelve.dat-5-7-ret:0\r\n"));
  EXPECT_EQ(c.ReadAll("C:\\twelve.dat"), (std::vector<Extent>{{5, 300}, {12, 1021}}))
      << "the earliest of the equal largest runs first, then the run its own first piece freed";
}

// Regression: with no free run at all, piecewise consolidation asked for moves of 0 clusters
// without end.
TEST(DefragmentFile, PiecewiseWithoutAnyFreeRunEnds) {
  std::string held = "[0, 100], [123, 77]";
  for (int lcn = 101; lcn < 123; lcn += 2) held += ", [" + std::to_string(lcn) + ", 1]";
  StepCase c(R"({"total_clusters": 200, "metadata_clusters": [)" + held + R"(], "entries": [
    {"name": "full.dat", "extents": )" + test::ScatteredRuns(12, 100) + "}]}");
  EXPECT_EQ(c.steps().DefragmentFile("C:\\full.dat"), 0);
  EXPECT_EQ(c.platform.Moves(), 0);
}

TEST(DefragmentFile, FailedMoveFallsThroughAndSingleExtentsAreNotOpened) {
  StepCase c(R"({"total_clusters": 1000, "metadata_clusters": [[0, 10], [20, 10]], "entries": [
    {"name": "f.dat", "extents": [[500, 3], [600, 3]]},
    {"name": "one.dat", "extents": [[700, 5]]}]})");
  c.platform.InjectMoveFailure("C:\\f.dat", win32_error::kAccessDenied, 0, 1);
  EXPECT_EQ(c.steps().DefragmentFile("C:\\f.dat"), 0) << "the second run took it";
  EXPECT_EQ(c.ReadAll("C:\\f.dat"), (std::vector<Extent>{{6, 30}}));
  c.steps().DefragmentFile("C:\\one.dat");
  EXPECT_EQ(c.platform.Moves(), 1);
}

TEST(DefragmentFile, FileLockedAfterTheWalkIsLeftAlone) {
  StepCase c(R"({"total_clusters": 1000, "metadata_clusters": [[0, 10]], "entries": [
    {"name": "f.dat", "extents": [[500, 3], [600, 3]]}, {"name": "g.dat", "extents": [[700, 3], [800, 3]]}]})");
  // Locked by another program since the analysis: its map can no longer be read, so nothing
  // is known to move. Held without sharing, it still moves: NTFS moves files others hold.
  c.platform.LockFile("C:\\f.dat", SimLock::PagingFile);
  c.platform.LockFile("C:\\g.dat", SimLock::Exclusive);
  EXPECT_EQ(c.steps().DefragmentFile("C:\\f.dat"), 0);
  EXPECT_EQ(c.platform.Moves(), 0);
  EXPECT_EQ(c.steps().DefragmentFile("C:\\g.dat"), 0);
  EXPECT_EQ(c.platform.Moves(), 1);
}

TEST(DefragmentFile, VssRefusalLogsAndStopsOnlyWithTheLogOn) {
  const char* volume = R"({"total_clusters": 1000, "sectors_per_cluster": 8, "metadata_clusters": [[0, 10]], "entries": [
    {"name": "f.dat", "extents": [[501, 3], [600, 1]]}]})";
  StepCase logged(volume);
  logged.settings.VssSafe = true;
  logged.geometry.SectorsPerCluster = 8;
  logged.steps().DefragmentFile("C:\\f.dat");
  EXPECT_THAT(logged.log(), HasSubstr("DFR:can't move: C:\\f.dat - vss_safe: 1\r\n"));
  EXPECT_EQ(logged.platform.Moves(), 0);
  StepCase quiet(volume);
  quiet.settings.VssSafe = true;
  quiet.settings.DebugLog = false;
  quiet.geometry.SectorsPerCluster = 8;
  quiet.steps().DefragmentFile("C:\\f.dat");
  EXPECT_EQ(quiet.platform.Moves(), 0) << "every candidate is too short; none refused loudly";
  EXPECT_EQ(quiet.log(), "");
}

TEST(PlaceMft, KeepsItsHeadAndMovesOnlyInOptimizeMode) {
  EXPECT_EQ(MoveSteps::MftHead(8), 4) << "16 KiB of 4 KiB clusters";
  EXPECT_EQ(MoveSteps::MftHead(1), 32);
  EXPECT_EQ(MoveSteps::MftHead(64), 1);
  StepCase c(R"({"total_clusters": 4000, "metadata_clusters": [[0, 10]], "entries": [
    {"name": "$MFT", "metadata": true, "extents": [[2000, 8], [2100, 8]]}]})");
  c.constants.ComputeVolumeConstants("C:");
  c.zones.EndReserved = 1000;
  c.steps().PlaceMft("C:\\$MFT", false);
  EXPECT_EQ(c.platform.Moves(), 0) << "two extents: left alone in defragment mode";
  c.steps().PlaceMft("C:\\$MFT", true);
  EXPECT_EQ(c.ReadAll("C:\\$MFT"), (std::vector<Extent>{{4, 2000}, {16, 10}})) << "the head stays, the rest moves to the front";
}

TEST(MoveFileSteps, FrontOutAndCompactRespectTheZones) {
  // Free from 1000, exactly at EndReserved, to 1009: a run none of the steps may use.
  StepCase c(R"({"total_clusters": 10000, "metadata_clusters": [[0, 100], [900, 100], [1010, 5]], "entries": [
    {"name": "front.dat", "extents": [[500, 5]]},
    {"name": "inner.dat", "extents": [[800, 5]]},
    {"name": "far.dat", "extents": [[8000, 5]]}]})");
  c.zones.EndReserved = 1000;
  c.steps().MoveFileToFront("C:\\inner.dat");
  EXPECT_EQ(c.ReadAll("C:\\inner.dat"), (std::vector<Extent>{{5, 100}})) << "already in front, moved to the first front run";
  c.steps().MoveFileOut("C:\\front.dat");
  EXPECT_EQ(c.ReadAll("C:\\front.dat"), (std::vector<Extent>{{5, 1015}})) << "the run starting at EndReserved is not used";
  c.steps().CompactFile("C:\\far.dat");
  EXPECT_EQ(c.ReadAll("C:\\far.dat"), (std::vector<Extent>{{5, 1020}})) << "pulled forward, never into the front zone";
  c.steps().CompactFile("C:\\far.dat");
  EXPECT_EQ(c.ReadAll("C:\\far.dat"), (std::vector<Extent>{{5, 1020}})) << "never backwards past its own start";
  EXPECT_THAT(c.log(), HasSubstr("OPT:can't move: C:\\far.dat, prolly no gap\r\n"));
}

TEST(SimMoves, WindowsRefusalsAndMerging) {
  test::VolumeFixture f(MachineWithVolume(R"({"total_clusters": 1000, "metadata_clusters": [[0, 10]], "entries": [
    {"name": "a", "extents": [[100, 4], [200, 4]]},
    {"name": "b", "extents": [[300, 4]]},
    {"name": "c", "compressed": true, "extents": [[400, 10], [-1, 6], [420, 16]]},
    {"name": "$MFT", "metadata": true, "extents": [[600, 20]]}]})",
    R"(, {"letter": "E", "volume": {"file_system": "FAT32", "total_clusters": 500, "entries": [
      {"name": "d", "type": "directory", "extents": [[50, 2]]}, {"name": "g", "extents": [[60, 2]]}]}})"));
  f.platform.VerifyEveryMove(true);
  auto volume = f.platform.OpenPath("\\\\.\\C:", 0x80000000, 3, 0).handle;
  auto a = f.platform.OpenPath("\\\\?\\C:\\a", 0x80, 3, 0).handle;
  EXPECT_EQ(f.platform.MoveFileClusters(*volume, *a, 0, 300, 4), win32_error::kAccessDenied) << "NTFS: target in use";
  EXPECT_EQ(f.platform.MoveFileClusters(*volume, *a, 0, 998, 4), win32_error::kInvalidParameter) << "past the volume";
  EXPECT_EQ(f.platform.MoveFileClusters(*volume, *a, 0, 50, 0), win32_error::kInvalidParameter) << "0 clusters";
  EXPECT_EQ(f.platform.MoveFileClusters(*volume, *a, 6, 50, 4), win32_error::kInvalidParameter) << "past the file on NTFS";
  ASSERT_EQ(f.platform.MoveFileClusters(*volume, *a, 4, 104, 4), 0u);
  ExtentReader reader(f.platform, f.settings, f.events, f.errorText);
  EXPECT_EQ(reader.ReadExtents("C:\\a", false, false).Extents, (std::vector<Extent>{{8, 100}})) << "touching runs merge";
  auto c = f.platform.OpenPath("\\\\?\\C:\\c", 0x80, 3, 0).handle;
  ASSERT_EQ(f.platform.MoveFileClusters(*volume, *c, 3, 700, 1), 0u) << "a compressed file moves by whole units";
  EXPECT_EQ(reader.ReadExtents("C:\\c", false, false).Extents, (std::vector<Extent>{{10, 700}, {16, -1}, {32, 420}}));
  auto mft = f.platform.OpenPath("\\\\?\\C:\\$MFT", 0x80, 3, 0).handle;
  EXPECT_EQ(f.platform.MoveFileClusters(*volume, *mft, 0, 800, 4), win32_error::kAccessDenied) << "the first records stay";

  auto fat = f.platform.OpenPath("\\\\.\\E:", 0x80000000, 3, 0).handle;
  auto dir = f.platform.OpenPath("\\\\?\\E:\\d", 0x80000000, 3, 0x02000000).handle;
  auto g = f.platform.OpenPath("\\\\?\\E:\\g", 0x80, 3, 0).handle;
  EXPECT_EQ(f.platform.MoveFileClusters(*fat, *dir, 0, 100, 1), win32_error::kInvalidParameter) << "a FAT directory's first cluster";
  EXPECT_EQ(f.platform.MoveFileClusters(*fat, *dir, 1, 100, 1), 0u);
  EXPECT_EQ(f.platform.MoveFileClusters(*fat, *g, 0, 50, 2), win32_error::kInvalidParameter) << "FAT: target in use";
  EXPECT_EQ(f.platform.MoveFileClusters(*fat, *g, 5, 200, 2), 0u) << "FAT: past the allocation moves nothing";
  EXPECT_EQ(f.platform.InvariantFailure(), "") << f.platform.Dump();
}

}  // namespace
}  // namespace tarvonel
