#include "volume/cluster_moves.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/job_settings.h"
#include "mock_volume_io.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "platform/system_error_text.h"
#include "base/win32_errors.h"
#include "recording_events.h"
#include "volume/volume_access.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Invoke;
using ::testing::StrictMock;

// A mover on the volume role alone; no window, no simulated machine.
struct MoverCase {
  StrictMock<test::MockVolumeIo> io;
  test::RecordingEvents events;
  JobSettings settings;
  VolumeGeometry geometry;
  SimPlatform os{ParseMachine("{}")};  // only the system's error texts
  SystemErrorText errorText{os, nullptr};
  ClusterMover mover{io, events, settings, geometry, errorText};
};

TEST(ClusterMoverMove, TheLightIsOnWhileTheFileSystemMovesAndTheResultPassesThrough) {
  MoverCase c;
  test::FakeHandle volume;
  test::FakeHandle file;
  EXPECT_CALL(c.io, MoveFileClusters(_, _, 7, 5000, 3)).WillOnce(Invoke([&](OsHandle& v, OsHandle& f, auto, auto, auto) {
    EXPECT_EQ(&v, &volume);
    EXPECT_EQ(&f, &file);
    EXPECT_THAT(c.events.shown, ElementsAre("light on")) << "lit before the move";
    EXPECT_EQ(c.events.yields, 1) << "and shown";
    return win32_error::kAccessDenied;
  }));
  EXPECT_EQ(c.mover.MoveClusters(&volume, file, 7, 3, 5000), win32_error::kAccessDenied);
  EXPECT_THAT(c.events.shown, ElementsAre("light on", "light off"));
  EXPECT_EQ(c.events.yields, 2);
}

TEST(ClusterMoverMove, NoVolumeHandleOrANegativeCountNeverReachesTheFileSystem) {
  MoverCase c;  // strict: any call of the volume role fails the test
  test::FakeHandle volume;
  test::FakeHandle file;
  EXPECT_EQ(c.mover.MoveClusters(nullptr, file, 0, 4, 100), win32_error::kInvalidHandle);
  EXPECT_EQ(c.mover.MoveClusters(&volume, file, 0, -1, 100), win32_error::kInvalidHandle);
  EXPECT_THAT(c.events.shown, ElementsAre("light on", "light off", "light on", "light off"));
}

// Regression: the first of the three opens asks for the attributes only, which a move of an
// EFS-encrypted file refuses (MOVE_FILE_DATA needs data access on its handle); every such file
// stayed where it was, its moves failing into the debug log.
TEST(ClusterMoverOpen, AnEncryptedFileOpensWithDataAccessAndMoves) {
  test::VolumeFixture f(test::MachineWithVolume(R"({"entries": [
      {"name": "secret.doc", "attributes": 16384, "extents": [[100, 2], [200, 2]]},
      {"name": "plain.doc", "extents": [[300, 2], [400, 2]]}]})"));
  VolumeGeometry geometry;
  ClusterMover mover(f.platform, f.events, f.settings, geometry, f.errorText);
  VolumeAccess access(f.platform);
  ASSERT_TRUE(access.SelectDrive("C:\\"));
  int64_t target = 1000;
  for (const char* name : {"secret.doc", "plain.doc"}) {
    OpenResult file = mover.OpenForMove(std::string("C:\\") + name);
    ASSERT_NE(file.handle, nullptr) << name;
    EXPECT_EQ(mover.MoveClusters(access.VolumeHandle(), *file.handle, 0, 4, target), win32_error::kSuccess) << name;
    target += 1000;
  }
  EXPECT_EQ(f.platform.Moves(), 2);

  // The model refuses what Windows refuses: the attribute-only handle of an encrypted file.
  OpenResult attributesOnly = f.platform.OpenPath("\\\\?\\C:\\secret.doc", 0x80, 3, 0);
  ASSERT_NE(attributesOnly.handle, nullptr);
  EXPECT_EQ(f.platform.MoveFileClusters(*access.VolumeHandle(), *attributesOnly.handle, 0, 3000, 4),
            win32_error::kAccessDenied);
}

TEST(VssCheck, WorkedValues) {
  MoverCase c;
  ClusterMover& mover = c.mover;
  c.geometry.SectorsPerCluster = 8;
  EXPECT_EQ(mover.VssCheck(1000, 1003, 20), 0) << "vss-safe mode off";
  c.settings.VssSafe = true;
  EXPECT_EQ(mover.VssCheck(1000, 1003, 20), 10) << "target 1010: displacement 10";
  EXPECT_EQ(mover.VssCheck(1005, 1000, 20), 4) << "target 1001: displacement -4";
  EXPECT_EQ(mover.VssCheck(1000, 1002, 20), 0);
  EXPECT_EQ(mover.VssCheck(1000, 1003, 8), 1) << "8 clusters of 8 sectors are too short to align";
  EXPECT_EQ(mover.VssCheck(INT32_MIN, INT32_MAX, 20), 2) << "the displacement overflows";
  c.geometry.SectorsPerCluster = 1;
  EXPECT_EQ(mover.VssCheck(1000, 1003, 100), 3);
  c.geometry.SectorsPerCluster = 16;
  EXPECT_EQ(mover.VssCheck(1000, 1003, 100), 0);
  c.geometry.SectorsPerCluster = 4;
  EXPECT_EQ(mover.VssCheck(1000, 1005, 20), 6) << "displacement 8 clusters = 32 sectors";
  // Two-sector clusters: the granule is 8 clusters, and every shift keeps the code above 3.
  c.geometry.SectorsPerCluster = 2;
  for (int d = 1; d < 8; ++d) {
    const int32_t code = mover.VssCheck(1000, 1000 + d, 100);
    ASSERT_GE(code, 4) << d;
    EXPECT_EQ((d + code - 3) % 8, 0) << "displacement " << d << " becomes a multiple of 16 sectors";
  }
}

TEST(ClusterMoverLog, LinesOnlyWithTheLogOnEachWithItsPrefix) {
  MoverCase c;
  c.mover.LogVssRefusal("DFR:can't move: ", "C:\\a", 5);
  EXPECT_EQ(c.events.log.Text(), "") << "the log is off";
  c.settings.DebugLog = true;
  c.mover.LogVssRefusal("DFR:can't move: ", "C:\\a", 5);
  c.mover.LogNoGap("OPT:can't move: ", "C:\\b");
  EXPECT_EQ(c.events.log.Text(), "DFR:can't move: C:\\a - vss_safe: 5\r\nOPT:can't move: C:\\b, prolly no gap\r\n");
}

}  // namespace
}  // namespace tarvonel
