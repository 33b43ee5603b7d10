// The engine job with a front end of no windows: what it asks of its host, and the zones it
// recomputes at every map refresh, itself when the host has no map, through the map otherwise.
#include "placement/engine_job.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/job_flags.h"
#include "placement/job_host.h"
#include "volume/cluster_moves.h"
#include "volume/volume_access.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;

// Calls as a list; a map, when it has one, draws nothing and computes nothing.
class RecordingHost : public JobHost {
 public:
  void StartWalkCounters() override {}
  void StopWalkCounters() override {}
  void SetStatisticsLabels(const std::array<std::string, 6>& texts) override { labels = texts; }
  void SetDetailsCounters(const std::string&, const std::string&, const std::string&, bool) override {}
  void ShowNewMarks() override {}
  void BeginJob() override { calls.push_back("begin"); }
  void HideMainWindow() override { calls.push_back("hide main"); }
  void EnterRunning(bool pass) override { calls.push_back(pass ? "running pass" : "running"); }
  void EnterIdle() override { calls.push_back("idle"); }
  void PassEnded() override { calls.push_back("pass ended"); }
  bool LiveMapWanted() override { return false; }
  void EndLiveMap() override { calls.push_back("end live map"); }
  bool HasMap() const override { return hasMap; }
  void RefreshMap() override { calls.push_back("refresh map"); }
  void RedrawMap() override { calls.push_back("redraw map"); }

  bool hasMap = false;
  std::vector<std::string> calls;
  std::array<std::string, 6> labels;
};

// 1000 clusters: a fragmented file near the front, a filler, and a file far back behind free space.
struct JobParts {
  JobParts()
      : f(test::MachineWithVolume(R"({"file_system": "FAT32", "total_clusters": 1000, "entries": [
          {"name": "a.dat", "extents": [[10, 2], [300, 2]]},
          {"name": "fill.dat", "extents": [[302, 400]]},
          {"name": "far.dat", "extents": [[900, 20]]}]})")) {
    f.settings.DriveRoot = "C:\\";
    access.SelectDrive("C:\\");
    access.Geometry().FileSystemName = "FAT32";
  }
  test::VolumeFixture f;
  VolumeAccess access{f.platform};
  ClusterMover mover{f.platform, f.events, f.settings, access.Geometry(), f.errorText};
  JobFlags flags;
  RecordingHost host;
  std::string noExclusions;
  std::string noPrefetchFolder;
  EngineJob job{{f.platform, f.platform, access, f.extents, mover, f.events, host, f.settings, flags, noExclusions,
                 noPrefetchFolder}};
};

TEST(EngineJob, AnAnalysisWithoutAMapRecomputesTheZonesAndListsTheFragmentedFiles) {
  JobParts c;
  c.job.Zones() = {123456, 654321};
  c.job.Analyze();
  EXPECT_THAT(c.host.calls, ElementsAre("begin", "hide main", "running", "idle"));
  EXPECT_EQ(c.job.Zones().OptimizeAreaStart, 212) << "half of the 424 clusters in use, from the volume itself";
  EXPECT_EQ(c.job.Zones().EndReserved, 384) << "two thirds of the 576 free clusters";
  EXPECT_THAT(c.job.Fragmented().names, ElementsAre("", "C:\\a.dat"));
  EXPECT_EQ(c.host.labels[3], "fragmented: 1");
  EXPECT_TRUE(c.flags.AnalysisValid);
}

TEST(EngineJob, WithAMapTheZonesAreTheMapsToRecompute) {
  JobParts c;
  c.host.hasMap = true;
  c.job.Zones() = {123456, 654321};
  c.job.Analyze();
  EXPECT_THAT(c.host.calls, ElementsAre("begin", "hide main", "running", "refresh map", "idle"));
  EXPECT_EQ(c.job.Zones().EndReserved, 123456) << "the map reads the volume and asks for the zones, not the job";
}

TEST(EngineJob, ACompactWithoutAMapEndsWithTheZonesReadAnewAndItsMovesPutOnTheVolume) {
  JobParts c;
  c.job.RunPass(JobAction::Compact);
  EXPECT_THAT(c.host.calls, ElementsAre("begin", "hide main", "running", "idle", "running pass", "end live map", "idle",
                                        "pass ended"));
  EXPECT_GT(c.f.platform.Moves(), 0) << c.f.platform.Dump();
  EXPECT_LT(c.f.extents.FirstLcn("C:\\far.dat"), 900) << "brought forward";
  EXPECT_GT(c.job.Zones().EndReserved, 0) << "the pass sets it to 0; the closing refresh computes it again";
}

TEST(EngineJob, AStopRequestedDuringTheAnalysisEndsThePassUnmoved) {
  JobParts c;
  c.f.events.QueueAction([&] { c.job.RequestStop(); });
  c.job.RunPass(JobAction::Defragment);
  EXPECT_EQ(c.f.platform.Moves(), 0);
  EXPECT_FALSE(c.flags.AnalysisValid);
  EXPECT_THAT(c.host.calls, ElementsAre("begin", "hide main", "running", "idle"));
}

}  // namespace
}  // namespace tarvonel
