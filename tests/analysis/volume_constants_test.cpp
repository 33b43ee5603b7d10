#include "analysis/volume_constants.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/numeric.h"
#include "volume/volume_access.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;

// A volume of `total` clusters of which `used` are taken, on drive C: or D:.
struct ZoneCase {
  ZoneCase(int64_t total, int64_t used, int sectorsPerCluster, char letter = 'C', bool debugLog = true)
      : f(Machine(total, used, sectorsPerCluster, letter)), volume(f.platform) {
    f.settings.DebugLog = debugLog;
    volume.SelectDrive(std::string(1, letter) + ":\\");
  }

  static std::string Machine(int64_t total, int64_t used, int sectorsPerCluster, char letter) {
    const std::string description = R"({"total_clusters": )" + std::to_string(total) + R"(, "sectors_per_cluster": )" +
                                    std::to_string(sectorsPerCluster) +
                                    (used > 0 ? R"(, "metadata_clusters": [[0, )" + std::to_string(used) + "]]" : "") + "}";
    return R"({"os": {"windows_directory": "C:\\Windows"}, "drives": [{"letter": ")" + std::string(1, letter) +
           R"(", "volume": )" + description + "}]}";
  }

  std::optional<int32_t> Compute() { return constants.ComputeVolumeConstants(std::string(1, letter()) + ":"); }
  char letter() const { return volume.Geometry().DriveRoot[0]; }

  test::VolumeFixture f;
  VolumeAccess volume;
  VolumeZones zones;
  VolumeConstants constants{f.platform, f.platform, f.settings, f.events, volume.Geometry(), zones};
};

TEST(VolumeZones, WorkedValues) {
  ZoneCase windows(12'000'000, 2'000'000, 8);  // the Windows volume, 10,000,000 free
  EXPECT_EQ(windows.Compute(), 12'000'000);
  EXPECT_EQ(windows.zones.EndReserved, 2'500'000);

  ZoneCase data(3'000'000, 2'000'000, 8, 'D');  // 1,000,000 free: 1,250,000 is cut to two thirds
  data.Compute();
  EXPECT_EQ(data.zones.EndReserved, 666'667);
  EXPECT_EQ(data.volume.Geometry().FreeClusters, 1'000'000);
  EXPECT_EQ(data.volume.Geometry().SectorsPerCluster, 8);

  ZoneCase exact(2'000'000, 750'000, 8, 'D');  // exactly the nominal reserve free: kept
  exact.Compute();
  EXPECT_EQ(exact.zones.EndReserved, 1'250'000);

  ZoneCase oneSector(30'000'000, 0, 1, 'D');
  oneSector.Compute();
  EXPECT_EQ(oneSector.zones.EndReserved, 10'000'000);
}

TEST(VolumeZones, OptimizeAreaRoundsHalvesToEven) {
  for (auto [used, expected] : {std::pair{800, 400}, {5, 2}, {7, 4}, {6, 3}}) {
    ZoneCase c(1000, used, 8, 'D');
    c.Compute();
    EXPECT_EQ(c.zones.OptimizeAreaStart, expected) << used << " used";
  }
  ZoneCase full(1000, 1000, 8, 'D');
  full.Compute();
  EXPECT_EQ(full.zones.EndReserved, 0);
  EXPECT_EQ(full.zones.OptimizeAreaStart, 500);
}

TEST(VolumeZones, FreeSpaceWarningsRoundThePercentage) {
  ZoneCase justAbove(1000, 854, 8, 'D');  // 14.6 % free rounds to 15: no free-space warning
  justAbove.Compute();
  EXPECT_EQ(justAbove.f.log.Text().find("free space low"), std::string::npos);
  ZoneCase below(1000, 856, 8, 'D');  // 14.4 %
  below.Compute();
  EXPECT_NE(below.f.log.Text().find("Warning, free space low!: 14\r\n"), std::string::npos);

  ZoneCase data(3'000'000, 2'000'000, 8, 'D');
  data.Compute();
  EXPECT_EQ(data.f.log.Text(), "Warning, sys space low!: 666667\r\n");

  ZoneCase quiet(1000, 1000, 8, 'D', false);
  quiet.Compute();
  EXPECT_EQ(quiet.f.log.Text(), "") << "nothing is written with the debug log off";
}

TEST(VolumeZones, FailedFreeSpaceQueryKeepsThePreviousZones) {
  ZoneCase c(1000, 800, 8, 'D');
  c.Compute();
  c.f.platform.FailDiskFreeSpace(21);
  EXPECT_FALSE(c.Compute().has_value());
  EXPECT_EQ(c.zones.OptimizeAreaStart, 400);
  EXPECT_EQ(c.volume.Geometry().TotalClusters, 1000);
}

TEST(VolumeZones, ConstantsBlockShowsNoMftZoneOnFatAfterNtfs) {
  test::VolumeFixture f(test::MachineWithVolume(
      R"({"mft_zone": [[2000, 100]], "total_clusters": 100000})",
      R"(, {"letter": "E", "volume": {"file_system": "FAT32", "total_clusters": 90000, "metadata_clusters": [[0, 30000]]}})"));
  f.settings.DebugLog = true;
  VolumeAccess volume(f.platform);
  VolumeZones zones;
  VolumeConstants constants(f.platform, f.platform, f.settings, f.events, volume.Geometry(), zones);
  volume.SelectDrive("C:\\");
  volume.SelectDrive("E:\\");
  constants.ComputeVolumeConstants("E:");
  f.log.ClearDebugLog();
  constants.AppendVolumeConstantsBlock();
  EXPECT_EQ(f.log.Text(),
            "Volume constants for drive: E:\r\ntotal clusters: 90000\r\nfree clusters : 60000\r\n"
            "mftreserved  : 0-0\r\nend reserved  : 40000\r\noptimize area : 15000\r\n");
}

TEST(VolumeZones, RoundingIsHalfToEven) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(666666.67), 666667);
  EXPECT_EQ(NominalReserve(8, false), 1'250'000);
  EXPECT_EQ(NominalReserve(8, true), 2'500'000);
  EXPECT_EQ(NominalReserve(64, false), 156'250);
}

}  // namespace
}  // namespace tarvonel
