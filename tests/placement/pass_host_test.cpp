#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "analysis/fragmented_files.h"
#include "analysis/volume_constants.h"
#include "base/job_flags.h"
#include "base/volume_zones.h"
#include "placement/move_steps.h"
#include "placement/passes.h"
#include "volume/catalogue.h"
#include "volume/cluster_moves.h"
#include "volume/volume_access.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using test::MachineWithVolume;

// The window side of a pass, as the calls it receives; its analysis lists the volume's
// fragmented files as the real one would.
class RecordingHost : public PassHost {
 public:
  explicit RecordingHost(std::vector<std::string> toDefragment) : toDefragment_(std::move(toDefragment)) {}
  void BeginJob() override { calls.push_back("begin"); }
  void HideMainWindow() override { calls.push_back("hide main"); }
  void AnalyseForPass() override {
    calls.push_back("analyse");
    for (const std::string& path : toDefragment_) fragmented->Append(path, "2");
    if (stopInAnalysis) flags->StopRequested = true;
  }
  void EnterPassRunning() override { calls.push_back("running"); }
  bool LiveMapWanted() override { return liveMap; }
  void EndLiveMap() override { calls.push_back("end live map"); }
  void RefreshMap() override { calls.push_back("refresh map"); }
  void RedrawMap() override { calls.push_back("redraw map"); }
  void EnterIdle() override { calls.push_back("idle"); }

  std::vector<std::string> calls;
  bool liveMap = false;
  bool stopInAnalysis = false;
  FragmentedFiles* fragmented = nullptr;
  JobFlags* flags = nullptr;

 private:
  std::vector<std::string> toDefragment_;
};

struct PassParts {
  explicit PassParts(std::vector<std::string> toDefragment)
      : f(MachineWithVolume(R"({"file_system": "FAT32", "total_clusters": 1000, "entries": [
          {"name": "a.dat", "extents": [[100, 2], [300, 2]]},
          {"name": "b.dat", "extents": [[110, 2], [310, 2]]}]})")),
        host(std::move(toDefragment)) {
    f.settings.DriveRoot = "C:\\";
    access.SelectDrive("C:\\");
    access.Geometry().FileSystemName = "FAT32";
    constants.ComputeVolumeConstants("C:");
    host.fragmented = &fragmented;
    host.flags = &flags;
  }
  test::VolumeFixture f;
  JobFlags flags;
  VolumeAccess access{f.platform};
  VolumeZones zones;
  VolumeConstants constants{f.platform, f.platform, f.settings, f.events, access.Geometry(), zones};
  ClusterMover mover{f.platform, f.events, f.settings, access.Geometry(), f.errorText};
  MoveSteps steps{f.platform, f.events, flags, access, zones, f.extents, mover};
  std::string prefetchDir;
  Catalogue catalogue{f.platform, f.events, f.extents, flags, access.Geometry(), zones, prefetchDir};
  FragmentedFiles fragmented;
  RecordingHost host;
  Passes passes{{f.events, host, steps, flags, f.settings, access, zones, catalogue, fragmented}};
};

TEST(DefragPass, AnalysesFirstThenVisitsEachFileAndEndsIdle) {
  PassParts c({"C:\\a.dat", "C:\\b.dat"});
  c.passes.Run(JobAction::Defragment);
  EXPECT_THAT(c.host.calls, ElementsAre("begin", "hide main", "analyse", "running", "end live map", "refresh map", "idle"));
  EXPECT_EQ(c.f.events.Maximum(), 3) << "the list's two files and its empty last slot";
  EXPECT_EQ(c.f.events.Progress(), 0) << "set back when the pass ends";
  EXPECT_THAT(c.f.events.shown, ::testing::Contains("file C:\\b.dat"));
  EXPECT_EQ(c.f.events.shown.back(), "title Volume C:\\");
  EXPECT_EQ(c.f.extents.ReadExtentsQuiet("C:\\a.dat", false).ExtentCount, 1);
  EXPECT_EQ(c.f.extents.ReadExtentsQuiet("C:\\b.dat", false).ExtentCount, 1);
  EXPECT_FALSE(c.flags.AnalysisValid) << "the moves made the analysis stale";
}

TEST(DefragPass, ALiveMapIsReadAnewAfterEveryFile) {
  PassParts c({"C:\\a.dat", "C:\\b.dat"});
  c.host.liveMap = true;
  c.passes.Run(JobAction::Defragment);
  EXPECT_EQ(std::count(c.host.calls.begin(), c.host.calls.end(), "refresh map"), 1 + 3)
      << "once per list slot, and once at the end";
}

TEST(DefragPass, AValidAnalysisIsNotRepeatedAndAStoppedOneEndsThePassUnmoved) {
  PassParts valid({});
  valid.flags.AnalysisValid = true;
  valid.passes.Run(JobAction::Defragment);
  EXPECT_THAT(valid.host.calls, ElementsAre("begin", "hide main", "running", "end live map", "refresh map", "idle"));

  PassParts stopped({"C:\\a.dat"});
  stopped.host.stopInAnalysis = true;
  stopped.passes.Run(JobAction::Defragment);
  EXPECT_THAT(stopped.host.calls, ElementsAre("begin", "hide main", "analyse"));
  EXPECT_EQ(stopped.f.platform.Moves(), 0);
}

}  // namespace
}  // namespace tarvonel
