#include "volume/volume_access.h"

#include <gtest/gtest.h>

#include "volume/sector_io.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using test::MachineWithVolume;

const std::string kFatDrive = R"(, {"letter": "E", "type": "removable", "volume": {"file_system": "FAT32", "total_clusters": 5000}})";

// Regression: a FAT volume selected after an NTFS one kept that volume's MFT zone, so the map
// painted a zone on it and the analysis sorted its files against it.
TEST(VolumeAccess, SelectionReadsTheMftZoneAndAFatVolumeHasNone) {
  SimPlatform platform(ParseMachine(MachineWithVolume(R"({"mft_zone": [[3000, 500]]})", kFatDrive)));
  VolumeAccess access(platform);
  EXPECT_EQ(access.Geometry().MftZoneStart, 0);
  ASSERT_TRUE(access.SelectDrive("C:\\"));
  EXPECT_NE(access.VolumeHandle(), nullptr);
  EXPECT_EQ(access.Geometry().VolumePath, "\\\\.\\C:");
  EXPECT_EQ(access.Geometry().MftZoneStart, 3000);
  EXPECT_EQ(access.Geometry().MftZoneEnd, 3500);

  ASSERT_TRUE(access.SelectDrive("e:\\"));
  EXPECT_EQ(access.Geometry().VolumePath, "\\\\.\\E:") << "the letter is upper-cased";
  EXPECT_EQ(access.Geometry().MftZoneStart, 0) << "a FAT volume has no MFT zone";
  EXPECT_EQ(access.Geometry().MftZoneEnd, 0);
  EXPECT_EQ(platform.OpenHandles(), 1) << "selection closes the previous handle";
  ASSERT_TRUE(access.SelectDrive("e:\\"));
  EXPECT_EQ(platform.OpenHandles(), 1) << "re-selecting closes and reopens";
}

TEST(VolumeAccess, NonAdministratorGetsNoHandle) {
  SimPlatform platform(ParseMachine(R"({"administrator": false, "drives": [{"letter": "C", "volume": {}}]})"));
  VolumeAccess access(platform);
  EXPECT_TRUE(access.SelectDrive("C:\\"));
  EXPECT_EQ(access.VolumeHandle(), nullptr);
}

TEST(VolumeAccess, VolumesOf2To31ClustersOrMoreAreRefused) {
  // NTFS reports its 64-bit count; FAT only through the 32-bit free-space query, which saturates.
  for (const char* volume : {R"({"total_clusters": 2147483648})", R"({"file_system": "FAT32", "total_clusters": 5000000000})"}) {
    SimPlatform platform(ParseMachine(MachineWithVolume(volume)));
    VolumeAccess access(platform);
    EXPECT_FALSE(access.SelectDrive("C:\\")) << volume;
    EXPECT_TRUE(access.Geometry().TooLarge());
    EXPECT_EQ(access.VolumeHandle(), nullptr) << "nothing may read through it";
    EXPECT_EQ(access.Geometry().MftZoneStart, 0);
  }
  SimPlatform fits(ParseMachine(MachineWithVolume(R"({"total_clusters": 2147483647})")));
  VolumeAccess access(fits);
  EXPECT_TRUE(access.SelectDrive("C:\\"));
  EXPECT_NE(VolumeTooLargeMessage("C:", 2147483648).find("2147483648 clusters"), std::string::npos);
}

TEST(SectorIO, ReadsTheBootSectorAndSplitsLargeOffsets) {
  SimPlatform platform(ParseMachine(MachineWithVolume(R"({"total_clusters": 1048576})")));
  SectorReader reader(platform);
  reader.SectorIO("\\\\.\\C:", 512, 0, 512, 0);
  ASSERT_FALSE(reader.SectorIOFailed);
  ASSERT_EQ(reader.SectorReadBuffer.size(), 512u);
  EXPECT_EQ(std::string(reader.SectorReadBuffer.begin() + 3, reader.SectorReadBuffer.begin() + 11), "NTFS    ");
  EXPECT_EQ(reader.SectorReadBuffer[510], 0x55);
  EXPECT_EQ(reader.SectorReadBuffer[511], 0xAA);

  // Offset 2^31 needs the high half and a negative low half; a wrong split lands elsewhere or fails.
  reader.SectorIO("\\\\.\\C:", 512, 4194304, 512, 0);
  EXPECT_FALSE(reader.SectorIOFailed);
  reader.SectorIO("\\\\.\\C:", 512, 8388607, 512, 0);  // the volume's last sector (4 GiB)
  EXPECT_FALSE(reader.SectorIOFailed);
  reader.SectorIO("\\\\.\\C:", 512, 8388608, 512, 0);
  EXPECT_TRUE(reader.SectorIOFailed) << "a read past the end delivers nothing";
  EXPECT_EQ(platform.OpenHandles(), 0) << "no call leaves its handle open";

  reader.SectorIO("\\\\.\\Q:", 512, 0, 512, 0);
  EXPECT_TRUE(reader.SectorIOFailed);
  reader.SectorIO("\\\\.\\C:", 512, 0, 512, 1);
  EXPECT_FALSE(reader.SectorIOFailed) << "other modes only open and close";
}

TEST(SectorIO, FatBootSectorNamesItsTypeWhereWindowsLooks) {
  SimPlatform platform(ParseMachine(MachineWithVolume(R"({"file_system": "FAT32", "total_clusters": 70000})",
                                                      R"(, {"letter": "F", "volume": {"file_system": "FAT", "total_clusters": 3000}})")));
  SectorReader reader(platform);
  reader.SectorIO("\\\\.\\C:", 512, 0, 512, 0);
  EXPECT_EQ(std::string(reader.SectorReadBuffer.begin() + 82, reader.SectorReadBuffer.begin() + 90), "FAT32   ");
  reader.SectorIO("\\\\.\\F:", 512, 0, 512, 0);
  EXPECT_EQ(std::string(reader.SectorReadBuffer.begin() + 54, reader.SectorReadBuffer.begin() + 62), "FAT12   ");
}

}  // namespace
}  // namespace tarvonel
