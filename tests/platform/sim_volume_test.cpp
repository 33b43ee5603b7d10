// The simulated volume answers as Windows does: the cases below are the ones where a
// simulation that is merely plausible would hide a fault that shows on Windows.
#include <array>

#include <gtest/gtest.h>

#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using test::MachineWithVolume;

const char* const kNtfs = R"({"total_clusters": 1000, "metadata_clusters": [[0, 3]], "entries": [
  {"name": "three.dat", "extents": [[100, 4], [200, 2], [300, 6]]},
  {"name": "pagefile.sys", "in_use": "paging_file", "extents": [[400, 2]]},
  {"name": "busy.db", "in_use": "exclusive", "extents": [[410, 2]]},
  {"name": "Dir", "type": "directory", "extents": [[500, 1]], "entries": [{"name": "inner.txt", "resident": true}]},
  {"name": "$MFT", "metadata": true, "extents": [[600, 16]]},
  {"name": "ads.txt", "extents": [[700, 1]], "streams": [{"name": "s1", "resident": true}, {"name": "s2", "extents": [[710, 1]]}]},
  {"name": "Link", "type": "junction", "target": "C:\\Dir"}
]})";

class SimVolumeTest : public ::testing::Test {
 protected:
  OpenResult Open(const std::string& path, uint32_t access = win32::kFileReadAttributes, uint32_t flags = 0) {
    return platform.OpenPath(path, access, win32::kFileShareReadWrite, flags);
  }
  uint32_t Retrieval(OsHandle& handle, int64_t vcn, std::vector<uint8_t>& out, uint32_t& returned) {
    std::array<uint8_t, 8> in{};
    le::PutI64(in.data(), vcn);
    return platform.DeviceIoControl(handle, win32::kFsctlGetRetrievalPointers, in.data(), 8, out.data(),
                                    static_cast<uint32_t>(out.size()), returned);
  }
  uint32_t Bitmap(int64_t start, std::vector<uint8_t>& out, uint32_t& returned) {
    auto volume = Open("\\\\.\\C:", win32::kGenericRead);
    std::array<uint8_t, 8> in{};
    le::PutI64(in.data(), start);
    return platform.DeviceIoControl(*volume.handle, win32::kFsctlGetVolumeBitmap, in.data(), 8, out.data(),
                                    static_cast<uint32_t>(out.size()), returned);
  }

  SimPlatform platform{ParseMachine(MachineWithVolume(kNtfs, R"(, {"letter": "E", "volume": {"file_system": "FAT32", "total_clusters": 500, "entries": [{"name": "swap", "in_use": "paging_file", "extents": [[10, 1]]}]}})"))};
};

TEST_F(SimVolumeTest, OpensFollowTheSharingAndDirectoryRules) {
  EXPECT_EQ(Open("\\\\?\\C:\\pagefile.sys").error, win32_error::kSharingViolation);
  EXPECT_EQ(Open("\\\\?\\E:\\swap").error, win32_error::kAccessDenied) << "FAT refuses the paging file outright";
  EXPECT_NE(Open("\\\\?\\C:\\busy.db").handle, nullptr) << "attribute-only opens pass an exclusive holder";
  EXPECT_EQ(Open("\\\\?\\C:\\busy.db", win32::kGenericRead).error, win32_error::kSharingViolation);
  EXPECT_EQ(Open("\\\\?\\C:\\Dir").error, win32_error::kAccessDenied);
  EXPECT_NE(Open("\\\\?\\C:\\Dir", win32::kGenericRead, win32::kFlagBackupSemantics).handle, nullptr);
  EXPECT_EQ(Open("\\\\?\\C:\\nope.txt").error, win32_error::kFileNotFound);
  EXPECT_EQ(Open("\\\\?\\C:\\nope\\x.txt").error, win32_error::kPathNotFound);
  EXPECT_EQ(Open("\\\\?\\E:\\swap:s").error, win32_error::kInvalidName) << "no streams on FAT";
  EXPECT_NE(Open("\\\\?\\C:\\LINK\\INNER.TXT").handle, nullptr) << "names ignore case; links are followed";
  EXPECT_NE(Open("\\\\?\\C:\\$MFT").handle, nullptr);
  EXPECT_EQ(platform.OpenPath("\\\\.\\C:", win32::kGenericRead, 1, 0).error, win32_error::kSharingViolation);
  EXPECT_EQ(platform.OpenPath("\\\\.\\Q:", win32::kGenericRead, 3, 0).error, win32_error::kFileNotFound);
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST_F(SimVolumeTest, RetrievalPointersPageThroughSmallBuffers) {
  auto file = Open("\\\\?\\C:\\three.dat");
  std::vector<uint8_t> out(32);  // room for one extent
  uint32_t returned = 0;
  EXPECT_EQ(Retrieval(*file.handle, 0, out, returned), win32_error::kMoreData);
  EXPECT_EQ(returned, 32u);
  EXPECT_EQ(le::U32(out.data()), 1u);
  EXPECT_EQ(le::I64(out.data() + 16), 4);
  EXPECT_EQ(le::I64(out.data() + 24), 100);
  // A VCN inside the second extent starts the answer at that extent.
  EXPECT_EQ(Retrieval(*file.handle, 5, out, returned), win32_error::kMoreData);
  EXPECT_EQ(le::I64(out.data() + 8), 4);
  EXPECT_EQ(le::I64(out.data() + 24), 200);
  std::vector<uint8_t> large(16 + 16 * 8);
  EXPECT_EQ(Retrieval(*file.handle, 6, large, returned), win32_error::kSuccess);
  EXPECT_EQ(le::U32(large.data()), 1u);
  EXPECT_EQ(Retrieval(*file.handle, 12, large, returned), win32_error::kHandleEof);
  EXPECT_EQ(Retrieval(*file.handle, -1, large, returned), win32_error::kInvalidParameter);
  std::vector<uint8_t> tiny(31);
  EXPECT_EQ(Retrieval(*file.handle, 0, tiny, returned), win32_error::kInsufficientBuffer);
  // Regression: the root directory had no data stream, and reading its map crashed the sim.
  auto root = Open("\\\\?\\C:\\", win32::kGenericRead, win32::kFlagBackupSemantics);
  ASSERT_NE(root.handle, nullptr);
  EXPECT_EQ(Retrieval(*root.handle, 0, large, returned), win32_error::kHandleEof);
  auto resident = Open("\\\\?\\C:\\ads.txt:s1");
  EXPECT_EQ(Retrieval(*resident.handle, 0, large, returned), win32_error::kHandleEof);
  auto stream = Open("\\\\?\\C:\\ads.txt:s2");
  EXPECT_EQ(Retrieval(*stream.handle, 0, large, returned), win32_error::kSuccess);
  EXPECT_EQ(le::I64(large.data() + 24), 710);
}

TEST_F(SimVolumeTest, BitmapRoundsTheStartAndReportsTheFullSize) {
  std::vector<uint8_t> out(16 + 8);
  uint32_t returned = 0;
  EXPECT_EQ(Bitmap(7, out, returned), win32_error::kMoreData) << "8 bytes cannot hold 1000 clusters";
  EXPECT_EQ(le::I64(out.data()), 0) << "7 rounds down to 0";
  EXPECT_EQ(le::I64(out.data() + 8), 1000) << "the size counts to the end, not what was copied";
  EXPECT_EQ(returned, 24u);
  EXPECT_EQ(out[16], 0x07) << "clusters 0 to 2 are used";
  std::vector<uint8_t> tooSmall(23);
  EXPECT_EQ(Bitmap(0, tooSmall, returned), win32_error::kInsufficientBuffer);
  std::vector<uint8_t> whole(16 + 125);
  EXPECT_EQ(Bitmap(0, whole, returned), win32_error::kSuccess);
  EXPECT_EQ(Bitmap(1000, whole, returned), win32_error::kInvalidParameter);
  EXPECT_EQ(Bitmap(-8, whole, returned), win32_error::kInvalidParameter);
}

TEST_F(SimVolumeTest, NtfsVolumeDataAndStreamInformation) {
  auto volume = Open("\\\\.\\C:", win32::kGenericRead);
  std::array<uint8_t, 96> data{};
  uint32_t information = 0;
  EXPECT_EQ(platform.NtFsControlFile(*volume.handle, win32::kFsctlGetNtfsVolumeData, data.data(), 95, information),
            win32::kStatusBufferTooSmall);
  ASSERT_EQ(platform.NtFsControlFile(*volume.handle, win32::kFsctlGetNtfsVolumeData, data.data(), 96, information),
            win32::kStatusSuccess);
  EXPECT_EQ(le::I64(data.data() + 16), 1000);
  EXPECT_EQ(le::I64(data.data() + 64), 600) << "the $MFT's first cluster";
  EXPECT_EQ(le::U32(data.data() + 52), 0u) << "4 KiB clusters hold no whole file record count";
  auto fat = Open("\\\\.\\E:", win32::kGenericRead);
  EXPECT_EQ(platform.NtFsControlFile(*fat.handle, win32::kFsctlGetNtfsVolumeData, data.data(), 96, information),
            win32::kStatusInvalidDeviceRequest);

  auto file = Open("\\\\?\\C:\\ads.txt");
  // Entries take 24 bytes and the name, 8-aligned: "::$DATA" 40, ":s1:$DATA" 48, ":s2:$DATA" 42.
  std::vector<uint8_t> exact(40 + 48 + 41);
  EXPECT_EQ(platform.NtQueryInformationFile(*file.handle, exact.data(), 23, win32::kFileStreamInformation, information),
            win32::kStatusInfoLengthMismatch);
  EXPECT_EQ(platform.NtQueryInformationFile(*file.handle, exact.data(), 40 + 48 + 41, win32::kFileStreamInformation,
                                            information),
            win32::kStatusBufferOverflow);
  EXPECT_EQ(information, 88u) << "the two entries that fit";
  std::vector<uint8_t> enough(4096);
  EXPECT_EQ(platform.NtQueryInformationFile(*file.handle, enough.data(), 4096, win32::kFileStreamInformation, information),
            win32::kStatusSuccess);
  EXPECT_EQ(le::U32(enough.data()), 40u);
  EXPECT_EQ(le::U32(enough.data() + 40), 48u);
  EXPECT_EQ(le::U32(enough.data() + 88), 0u) << "the last entry ends the chain";
}

TEST_F(SimVolumeTest, ListingsShowDotsBelowTheRootAndHideMetadata) {
  std::vector<std::string> names;
  uint32_t error = 0;
  FindEntry entry;
  auto search = platform.FindFirst("C:\\*", entry, error);
  ASSERT_NE(search, nullptr);
  do names.push_back(entry.name);
  while (platform.FindNext(*search, entry, error));
  EXPECT_EQ(error, win32_error::kNoMoreFiles);
  EXPECT_EQ(names, (std::vector<std::string>{"three.dat", "pagefile.sys", "busy.db", "Dir", "ads.txt", "Link"}));
  search = platform.FindFirst("C:\\Dir\\*", entry, error);
  ASSERT_NE(search, nullptr);
  EXPECT_EQ(entry.name, ".");
  EXPECT_TRUE(entry.attributes & win32::kAttributeDirectory);
  search = platform.FindFirst("C:\\*", entry, error);
  for (int i = 0; i < 5; ++i) platform.FindNext(*search, entry, error);
  EXPECT_EQ(entry.name, "Link");
  EXPECT_TRUE(entry.attributes & win32::kAttributeReparsePoint);
  EXPECT_EQ(entry.reserved0, win32::kReparseTagMountPoint);
  EXPECT_EQ(platform.FindFirst("C:\\Dir\\", entry, error), nullptr);
  EXPECT_EQ(platform.FindFirst("C:\\None\\*", entry, error), nullptr);
  EXPECT_EQ(error, win32_error::kPathNotFound);
}

TEST_F(SimVolumeTest, FreeSpaceAndVolumeInformation) {
  DiskFreeSpace space = platform.QueryDiskFreeSpace("C:\\");
  EXPECT_EQ(space.error, 0u);
  EXPECT_EQ(space.totalClusters, 1000u);
  EXPECT_EQ(space.freeClusters, 1000u - 3 - 12 - 2 - 2 - 1 - 16 - 1 - 1);
  EXPECT_EQ(space.sectorsPerCluster, 8u);
  EXPECT_EQ(platform.QueryDiskFreeSpace("C:").error, win32_error::kInvalidName) << "the root needs its backslash";
  EXPECT_EQ(platform.QueryVolumeInformation("E:\\").fileSystemName, "FAT32");
}

TEST(SimVolumeDescription, BadEntriesAreRefusedByName) {
  struct Case {
    std::string volume;
    std::string names;
  } cases[] = {
      {R"({"entries": [{"name": "a", "extents": [[10, 5]]}, {"name": "b", "extents": [[14, 2]]}]})",
       "drives[0].volume: entry \"b\": clusters from 14 are already held by entry \"a\""},
      {R"({"metadata_clusters": [[0, 16]], "entries": [{"name": "a", "extents": [[8, 1]]}]})",
       "entry \"a\": clusters from 8 are already held by metadata clusters"},
      {R"({"total_clusters": 100, "entries": [{"name": "a", "extents": [[95, 10]]}]})",
       "entry \"a\": clusters 95-104 lie outside the volume of 100 clusters"},
      {R"({"entries": [{"name": "d", "type": "directory", "entries": [{"name": "x", "resident": true, "extents": [[1, 1]]}]}]})",
       "entry \"C:\\d\\x\": a resident entry has no extents"},
      {R"({"file_system": "FAT32", "entries": [{"name": "a", "streams": [{"name": "s"}]}]})", "FAT volumes have no named streams"},
      {R"({"entries": [{"name": "a"}, {"name": "A"}]})", "repeats \"C:\\A\""},
      {R"({"entries": [{"name": "a", "colour": "red"}]})", "\"drives[0].volume.entries[0].colour\" is not a field"},
      {R"({"entries": [{"name": "a:b"}]})", "\"drives[0].volume.entries[0].name\" must be a file name"},
      {R"({"entries": [{"name": "f", "entries": []}]})", "only a directory holds entries"},
      {R"({"entries": [{"name": "l", "type": "junction"}]})", "a link needs a \"target\""},
      {R"({"sectors_per_cluster": 3})", "\"drives[0].volume.sectors_per_cluster\" must be a power of two"},
      {R"({"file_system": "HFS+"})", "\"drives[0].volume.file_system\" must be one of"},
      {R"({"file_system": "FAT", "mft_zone": [[0, 10]]})", "belongs to NTFS volumes only"},
      {R"({"entries": [{"name": "a", "extents": [[5, 0]]}]})", "must be [lcn, length]"},
      {R"({"total_clusters": 100, "generate": {"files": 100000}})", "generate: "},
  };
  for (const Case& c : cases) {
    std::string message = "(accepted)";
    try {
      ParseMachine(MachineWithVolume(c.volume));
    } catch (const MachineError& error) {
      message = error.what();
    }
    EXPECT_NE(message.find(c.names), std::string::npos) << c.volume << "\n  gave: " << message;
  }
}

TEST(SimVolumeGenerator, SameSeedSameVolumeAndAllClaimsHold) {
  const std::string volume = R"({"total_clusters": 65536, "generate": {"files": 500, "directories": 20,
      "fragmented_percent": 20, "seed": 9, "windows_folder": true}})";
  SimPlatform first(ParseMachine(MachineWithVolume(volume)));
  SimPlatform second(ParseMachine(MachineWithVolume(volume)));
  EXPECT_EQ(first.QueryDiskFreeSpace("C:\\").freeClusters, second.QueryDiskFreeSpace("C:\\").freeClusters);
  const SimVolume& generated = *first.Volume('C');
  const SimEntry* layout = generated.Root().Child("Windows")->Child("Prefetch")->Child("layout.ini");
  ASSERT_NE(layout, nullptr);
  EXPECT_EQ(layout->streams[0].content[0], 0xFF) << "written as Windows writes it: UTF-16 with a BOM";
  // Every used cluster has one holder, and every holder's runs are where the bitmap says.
  int64_t held = 0;
  for (int64_t lcn = 0; lcn < generated.TotalClusters(); ++lcn) {
    ASSERT_EQ(generated.OwnerOf(lcn) != nullptr, generated.Bitmap().Used(lcn)) << "cluster " << lcn;
    held += generated.OwnerOf(lcn) != nullptr;
  }
  EXPECT_EQ(held, generated.TotalClusters() - generated.FreeClusters());
  EXPECT_GT(generated.FreeClusters(), 0);

  SimPlatform fat(ParseMachine(MachineWithVolume(
      R"({"file_system": "FAT32", "total_clusters": 65536, "generate": {"files": 300, "seed": 3}})")));
  EXPECT_EQ(fat.Volume('C')->Root().Child("$MFT"), nullptr);
}

}  // namespace
}  // namespace tarvonel
