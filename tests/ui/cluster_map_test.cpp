#include "ui/job_window/cluster_map.h"

#include <gtest/gtest.h>

#include "analysis/fragmented_files.h"
#include "analysis/volume_constants.h"
#include "base/job_flags.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"
#include "ui/controls/controls.h"
#include "ui/headless/headless_toolkit.h"
#include "volume/catalogue.h"
#include "volume/volume_access.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using test::MachineWithVolume;

// A map of `width` columns over the volume of drive C:.
struct MapCase {
  MapCase(const std::string& volume, int width) : f(MachineWithVolume(volume)), surface(width, 10) {
    access.SelectDrive("C:\\");
    f.settings.DriveRoot = "C:\\";
    access.Geometry().FileSystemName = f.platform.QueryVolumeInformation("C:\\").fileSystemName;
  }
  test::VolumeFixture f;
  VirtualClock clock;
  HeadlessToolkit toolkit{clock};
  VolumeAccess access{f.platform};
  VolumeZones zones;
  VolumeConstants constants{f.platform, f.platform, f.settings, f.events, access.Geometry(), zones};
  JobFlags flags;
  PlacementLists lists;
  FragmentedFiles fragmented;
  ColumnSurface surface;
  Label redraw{"LblRedraw"};
  ClusterMap map{f.platform, toolkit, f.settings, flags, access.Geometry(), constants, f.extents, surface, redraw,
                 {lists, fragmented}};
};

TEST(ClusterMapColours, BlendRunsFromDarkToFullGreen) {
  EXPECT_EQ(BlendColour(map_colour::kFull, map_colour::kFree, 0.0f), 0x004000u);
  EXPECT_EQ(BlendColour(map_colour::kFull, map_colour::kFree, 1.0f), 0x00FF00u);
  EXPECT_EQ(BlendColour(map_colour::kFull, map_colour::kFree, 0.5f), 0x00A000u) << "159.5 rounds to the even 160";
  EXPECT_EQ(BlendColour(0x0000FF, 0xFF0000, 0.25f), 0xBF0040u);
}

TEST(ClusterMapDrawing, ColumnsShowHowFullTheirClustersAre) {
  // 10,000 clusters: 1267 bitmap bytes with the 17 extra; 100 columns of 12 bytes (96 clusters);
  // the last 67 bytes are never drawn.
  MapCase c(R"({"file_system": "FAT32", "total_clusters": 10000, "metadata_clusters": [[96, 96], [192, 48], [9900, 100]]})", 100);
  c.map.RefreshMapBitmap("C:");
  EXPECT_EQ(c.map.BytesPerColumn(), 12);
  EXPECT_EQ(c.map.ClustersPerColumn(), 96);
  EXPECT_EQ(c.surface.Column(0), 0x004000u) << "all free";
  EXPECT_EQ(c.surface.Column(1), 0x00FF00u) << "all used";
  EXPECT_EQ(c.surface.Column(2), 0x00A000u) << "half used";
  EXPECT_EQ(c.surface.Column(99), 0x004000u) << "clusters 9504-9599 are free; the used end lies past the drawn bytes";
  EXPECT_EQ(c.redraw.ForeColor(), map_colour::kDim);
  EXPECT_GE(c.surface.Refreshes(), 10) << "refreshed every 10 columns";
}

TEST(ClusterMapMarks, NearestColumnHalvesToEven) {
  // 2 bytes per column: 16 clusters per column.
  MapCase c(R"({"file_system": "FAT32", "total_clusters": 1464})", 100);
  c.map.RefreshMapBitmap("C:");
  ASSERT_EQ(c.map.ClustersPerColumn(), 16);
  c.map.teken_plaatje(8, map_colour::kOptimize);
  c.map.teken_plaatje(24, map_colour::kFragmented);
  c.map.teken_plaatje(23, map_colour::kSystemArea);
  EXPECT_EQ(c.surface.Column(0), map_colour::kOptimize) << "0.5 rounds to 0";
  EXPECT_EQ(c.surface.Column(2), map_colour::kFragmented) << "1.5 rounds to 2";
  EXPECT_EQ(c.surface.Column(1), map_colour::kSystemArea) << "1.44 goes to the nearest column";
  EXPECT_EQ(c.surface.Column(3), map_colour::kFree);
  c.map.teken_plaatje(100000, map_colour::kOptimize);  // past the picture: no effect, no fault
}

TEST(ClusterMapMarks, NtfsShowsItsZoneAndMftButFatNoMft) {
  MapCase ntfs(R"({"total_clusters": 8000, "mft_zone": [[4000, 800]], "entries": [{"name": "$MFT", "metadata": true, "extents": [[1600, 80]]}]})", 100);
  ntfs.map.RefreshMapBitmap("C:");
  ASSERT_EQ(ntfs.map.ClustersPerColumn(), 80);
  EXPECT_EQ(ntfs.surface.Column(20), map_colour::kMft);
  EXPECT_EQ(ntfs.surface.Column(21), map_colour::kMft) << "the extent's end column too";
  EXPECT_EQ(ntfs.surface.Column(50), map_colour::kMftZone);
  EXPECT_EQ(ntfs.surface.Column(60), map_colour::kMftZone);
  EXPECT_EQ(ntfs.surface.Column(61), map_colour::kFree);

  MapCase fat(R"({"file_system": "FAT32", "total_clusters": 8000})", 100);
  fat.map.RefreshMapBitmap("C:");
  EXPECT_EQ(fat.surface.Column(50), map_colour::kFree) << "no MFT zone on FAT";
  EXPECT_EQ(fat.surface.Column(20), map_colour::kFree) << "no MFT on FAT";
}

// Regression: a volume with fewer bitmap bytes than the picture has columns gave 0 bytes per
// column, and the fill ratio and every mark divided by zero.
TEST(ClusterMapDrawing, TinyVolumeDrawsOneColumnPerByte) {
  MapCase c(R"({"file_system": "FAT32", "total_clusters": 64, "metadata_clusters": [[0, 8]]})", 100);
  c.map.RefreshMapBitmap("C:");
  EXPECT_EQ(c.map.BytesPerColumn(), 1);
  EXPECT_EQ(c.surface.Column(0), 0x00FF00u);
  EXPECT_EQ(c.surface.Column(1), 0x004000u);
  EXPECT_EQ(c.surface.Column(99), ColumnSurface::kBlank) << "no column beyond the volume";
  c.map.teken_plaatje(9, map_colour::kFragmented);
  EXPECT_EQ(c.surface.Column(1), map_colour::kFragmented);
}

TEST(ClusterMapRefresh, FailuresAreToldOnceAndLeaveTheMap) {
  MapCase c(R"({"file_system": "FAT32", "total_clusters": 10000})", 100);
  c.map.RefreshMapBitmap("C:");
  const uint32_t before = c.surface.Column(5);
  c.map.RefreshMapBitmap("Q:");
  ASSERT_EQ(c.toolkit.MessageBoxes().size(), 1u);
  EXPECT_EQ(c.toolkit.MessageBoxes()[0].prompt, "Error opening the drive.\r\nClose some applications and try again.");
  EXPECT_EQ(c.toolkit.MessageBoxes()[0].icon, MsgBoxIcon::Critical);
  c.f.platform.InjectIoControlFailure(win32::kFsctlGetVolumeBitmap, 0, win32_error::kNotReady);
  c.map.RefreshMapBitmap("C:");
  ASSERT_EQ(c.toolkit.MessageBoxes().size(), 2u);
  EXPECT_EQ(c.toolkit.MessageBoxes()[1].prompt, "Error reading the drive information.");
  EXPECT_EQ(c.surface.Column(5), before);
  EXPECT_EQ(c.f.platform.OpenHandles(), 1) << "the map's own handle is closed; the shared one stays";
}

// Regressions: the buffer was sized from the free-space query's total, which under a disk quota
// is the user's share (the read answered "more data"), and for a volume of 55 clusters or fewer
// was below the 24 bytes of the record that FAT demands; both showed "Error reading the drive
// information." on a volume that reads fine.
TEST(ClusterMapRefresh, AQuotaOrATinyVolumeReadsItsWholeBitmap) {
  // The quota is the drive's: it follows the volume's object in the machine's drive entry.
  MapCase quota(R"({"file_system": "NTFS", "total_clusters": 10000, "metadata_clusters": [[9900, 100]]},
                   "quota": {"limit_clusters": 4000, "used_clusters": 1000})", 100);
  ASSERT_EQ(quota.f.platform.QueryDiskFreeSpace("C:\\").totalClusters, 4000u) << "the model's quota";
  quota.map.RefreshMapBitmap("C:");
  EXPECT_TRUE(quota.toolkit.MessageBoxes().empty());
  EXPECT_EQ(quota.map.BytesPerColumn(), 12) << "the whole volume's 10,000 clusters";
  EXPECT_EQ(quota.surface.Column(99), 0x004000u);
  EXPECT_EQ(quota.access.Geometry().TotalClusters, 4000) << "the zones keep the free-space query's figures";

  for (int clusters : {16, 39, 55, 56}) {
    MapCase tiny(R"({"file_system": "FAT", "total_clusters": )" + std::to_string(clusters) +
                     R"(, "metadata_clusters": [[0, 8]]})", 100);
    tiny.map.RefreshMapBitmap("C:");
    EXPECT_TRUE(tiny.toolkit.MessageBoxes().empty()) << clusters << " clusters";
    EXPECT_EQ(tiny.surface.Column(0), 0x00FF00u) << clusters << " clusters";
    EXPECT_EQ(tiny.surface.Column(1), 0x004000u) << clusters << " clusters";
  }
}

TEST(ClusterMapRedraw, RepaintsListsOnlyWhenTheCatalogueIsComplete) {
  MapCase c(R"({"total_clusters": 8000, "entries": [{"name": "a", "extents": [[800, 1]]}, {"name": "b", "extents": [[1600, 1]]}]})", 100);
  c.lists.optimize_files = {"C:\\a"};
  c.fragmented.Reset();
  c.fragmented.Append("C:\\b", "2");
  c.map.RedrawClusterMap();
  EXPECT_NE(c.surface.Column(10), map_colour::kOptimize);
  EXPECT_EQ(c.surface.Column(20), map_colour::kFragmented);
  c.flags.CatalogueComplete = true;
  c.map.RedrawClusterMap();
  EXPECT_EQ(c.surface.Column(10), map_colour::kOptimize);
}

}  // namespace
}  // namespace tarvonel
