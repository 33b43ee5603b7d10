// A FAT volume served from its medium: lost clusters count as in use, the medium is held for
// the whole run, and what is not a FAT volume on a file or device is refused by name.
#include "open_volume.h"
#include "platform/image/file_storage.h"
#include "platform/image/image_volume.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "fragmented_volume.h"
#include "image_harness.h"
#include "filesystems/fat/chain_mover.h"
#include "filesystems/fat/fat_image.h"
#include "filesystems/sector_source.h"
#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/win32_codes.h"
#include "shell_workspace.h"

namespace tarvonel::fat {
namespace {

struct Workspace : test::ShellWorkspace {
  Workspace() : ShellWorkspace("tarvonel-volume") {}
  std::string Run(const std::string& command) const {
    auto [status, output] = Shell(command);
    EXPECT_EQ(status, 0) << command << "\n" << output;
    return output;
  }
};

std::string Refusal(const std::string& path) {
  try {
    image::ImageVolume volume('C', path);
  } catch (const VolumeError& error) {
    return error.what();
  }
  return "taken";
}

void PutFat16Entry(const std::string& image, const Layout& layout, uint32_t cluster, uint16_t value) {
  std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
  const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  for (uint32_t copy = 0; copy < layout.numFats; ++copy) {
    file.seekp(static_cast<std::streamoff>(layout.fatOffset + copy * layout.fatBytes + 2 * uint64_t{cluster}));
    file.write(reinterpret_cast<const char*>(bytes), 2);
  }
}

bool AnyFragmented(const DirEntry& directory) {
  for (const DirEntry& child : directory.children) {
    for (size_t i = 1; i < child.chain.size(); ++i) {
      if (child.chain[i] != child.chain[i - 1] + 1) return true;
    }
    if (child.IsDirectory() && AnyFragmented(child)) return true;
  }
  return false;
}

// What an interrupted move leaves: clusters marked in use that no file holds, here at the
// start of the largest free run, where a first-fit placement would put a whole file.
TEST(ImageVolume, LostClustersCountAsInUseAndADefragWorksAroundThem) {
  Workspace w;
  w.Run(test::FragmentedVolume({"-F 16 -s 1", 8192, 512, 512}, "v.img"));
  std::unique_ptr<FatImage> image = OpenFatImage(w.Path("v.img"));
  const Layout layout = image->Geometry();
  uint32_t bestStart = 0;
  uint32_t bestLength = 0;
  for (uint32_t c = 2; c < layout.dataClusters + 2;) {
    uint32_t end = c;
    while (end < layout.dataClusters + 2 && !image->InUse(end)) ++end;
    if (end - c > bestLength) {
      bestStart = c;
      bestLength = end - c;
    }
    c = end + 1;
  }
  ASSERT_GT(bestLength, 100u);
  ASSERT_TRUE(AnyFragmented(image->Root()));
  image.reset();
  for (uint32_t c = bestStart; c < bestStart + 3; ++c) PutFat16Entry(w.Path("v.img"), layout, c, 0xFFFF);

  {
    test::ImageHarness h(w.Path("v.img"), "/d");
    EXPECT_EQ(h.C().LostClusters(), 3u);
    h.program.Run();
    EXPECT_GT(h.platform.Moves(), 0) << "the pass found room beside the lost clusters";
    EXPECT_EQ(h.C().Refusal(), "");
  }
  image = OpenFatImage(w.Path("v.img"));
  EXPECT_FALSE(AnyFragmented(image->Root()));
  for (uint32_t c = bestStart; c < bestStart + 3; ++c) EXPECT_EQ(image->Next(c), 0xFFFFu) << "lost cluster " << c << " untouched";
  EXPECT_EQ(image->LostClusters(), 3u);
  auto [code, fsck] = w.Shell("fsck.fat -n v.img");
  EXPECT_EQ(code, 1) << fsck;
  EXPECT_THAT(fsck, testing::HasSubstr("Reclaimed 3 unused clusters"));
  EXPECT_EQ(fsck.find("Reclaimed 3 unused clusters"), fsck.rfind("Reclaimed")) << "nothing else to mend:\n" << fsck;
  EXPECT_EQ(w.Shell(test::FragmentedVolumeDamage("v.img")).second, "") << "every file intact";
}

// A second run, or any tool that honours flock(2), cannot take the volume while one run holds it.
TEST(ImageVolume, TheMediumIsHeldForTheWholeRun) {
  Workspace w;
  w.Run("mkfs.fat -C -F 16 -s 1 v.img 4096 >/dev/null");
  {
    image::ImageVolume first('C', w.Path("v.img"));
    EXPECT_THAT(Refusal(w.Path("v.img")), testing::HasSubstr("is locked by another program"));
    EXPECT_EQ(w.Shell("flock -n v.img true").first, 1) << "the flock command sees the lock";
  }
  EXPECT_EQ(Refusal(w.Path("v.img")), "taken") << "released when the run ends";
  const int other = ::open(w.Path("v.img").c_str(), O_RDONLY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  EXPECT_THAT(Refusal(w.Path("v.img")), testing::HasSubstr("is locked by another program")) << "another tool's lock";
  ::close(other);
}

TEST(ImageVolume, WhatIsNoFatVolumeOnAFileOrDeviceIsRefusedByName) {
  Workspace w;
  w.Run("mkfifo pipe && mkdir folder && truncate -s 8M nt.img ext.img && "
        "mkntfs -q -F -f nt.img >/dev/null 2>&1; mkfs.ext2 -q ext.img");
  // A FIFO's open would wait for a writer: refused before it is opened.
  EXPECT_THAT(Refusal(w.Path("pipe")), testing::HasSubstr("pipe: is a FIFO (a pipe), not an image file or a block device"));
  EXPECT_THAT(Refusal(w.Path("folder")), testing::HasSubstr("is a folder"));
  EXPECT_THAT(Refusal("/dev/null"), testing::HasSubstr("is a character device"));
  EXPECT_THAT(Refusal(w.Path("nt.img")), testing::HasSubstr("nt.img: is an NTFS volume"));
  EXPECT_THAT(Refusal(w.Path("ext.img")), testing::HasSubstr("ext.img: is an ext2/3/4 volume"));
  EXPECT_THAT(Refusal(w.Path("missing.img")), testing::HasSubstr("cannot be opened for reading"));
}

// A folder's second cluster moved, then a file whose entry lies in it: the file's entry is
// switched where it now lies, not in the freed cluster.
TEST(ImageVolume, AFileIsSwitchedInItsFoldersNewCluster) {
  Workspace w;
  w.Run("mkfs.fat -C -F 16 -s 1 v.img 4096 >/dev/null && mmd -i v.img ::/D && for i in $(seq 10 40); do "
        "head -c 700 /dev/urandom > F$i; mcopy -i v.img F$i ::/D/F$i.BIN; done");
  std::unique_ptr<FatImage> image = OpenFatImage(w.Path("v.img"));
  image::FileStorage storage(w.Path("v.img"));
  ChainMover mover(*image, storage);
  DirEntry* folder = nullptr;
  for (DirEntry& child : image->Root().children) folder = child.name == "D" ? &child : folder;
  ASSERT_NE(folder, nullptr);
  ASSERT_GE(folder->chain.size(), 2u);
  const uint64_t second = image->ClusterOffset(folder->chain[1]);
  DirEntry* file = nullptr;
  for (DirEntry& child : folder->children) {
    if (child.entryOffset >= second && child.entryOffset < second + 512) file = &child;
  }
  ASSERT_NE(file, nullptr);
  const uint32_t end = image->Geometry().dataClusters;
  ASSERT_EQ(mover.MoveClusters(*folder, 1, end - 1, 1), 0u);
  ASSERT_EQ(mover.MoveClusters(*file, 0, end - 5, 2), 0u);
  auto [code, fsck] = w.Shell("fsck.fat -n v.img");
  EXPECT_EQ(code, 0) << fsck;
  const std::string name = file->name.substr(0, file->name.find('.'));
  EXPECT_EQ(w.Shell("mcopy -i v.img ::/D/" + file->name + " - | cmp - " + name).first, 0);
}

}  // namespace
}  // namespace tarvonel::fat

namespace tarvonel::fat {
namespace {

uint32_t Control(VolumeIo& io, OsHandle& handle, uint32_t code, int64_t from, uint8_t* output, uint32_t size,
                 uint32_t& bytes) {
  uint8_t input[8];
  le::PutI64(input, from);
  return io.DeviceIoControl(handle, code, input, sizeof input, output, size, bytes);
}

// The records, chunking and error numbers of the Windows FAT driver, over the medium.
TEST(ImageVolume, AnswersAsTheWindowsFatDriverDoes) {
  Workspace w;
  w.Run(test::FragmentedVolume({"-F 16 -s 1", 8192, 512, 512}, "v.img"));
  image::ImageVolume volume('C', w.Path("v.img"));
  const auto& image = dynamic_cast<const FatImage&>(volume.Model());
  OpenResult drive = volume.OpenPath("\\\\.\\C:", 0, 3, 0);
  ASSERT_NE(drive.handle, nullptr);

  // The bitmap from a starting LCN rounded down to a multiple of 8, the whole size reported
  // even when the buffer holds less.
  uint8_t bitmap[16 + 64];
  uint32_t bytes = 0;
  EXPECT_EQ(Control(volume, *drive.handle, win32::kFsctlGetVolumeBitmap, 13, bitmap, sizeof bitmap, bytes), 234u);
  EXPECT_EQ(bytes, sizeof bitmap);
  EXPECT_EQ(le::I64(bitmap), 8);
  EXPECT_EQ(le::I64(bitmap + 8), int64_t{image.Geometry().dataClusters} - 8);
  for (uint32_t bit = 0; bit < 64 * 8; ++bit) {
    EXPECT_EQ((bitmap[16 + bit / 8] >> (bit % 8)) & 1, image.InUse(bit + 8 + 2) ? 1 : 0) << "LCN " << bit + 8;
  }
  EXPECT_EQ(Control(volume, *drive.handle, win32::kFsctlGetVolumeBitmap, image.Geometry().dataClusters, bitmap,
                    sizeof bitmap, bytes),
            87u);

  // A fragmented file's extents, one per call in a buffer for one.
  OpenResult big = volume.OpenPath("\\\\?\\C:\\große datei.dat", 0, 7, 0);
  ASSERT_NE(big.handle, nullptr) << "names match without regard to ASCII case";
  const DirEntry* entry = nullptr;
  for (const DirEntry& child : image.Root().children) entry = child.name == "Große Datei.dat" ? &child : entry;
  ASSERT_NE(entry, nullptr);
  std::vector<uint32_t> clusters;
  uint8_t one[32];
  for (int64_t vcn = 0;;) {
    const uint32_t result = Control(volume, *big.handle, win32::kFsctlGetRetrievalPointers, vcn, one, sizeof one, bytes);
    ASSERT_TRUE(result == 0 || result == 234) << result;
    ASSERT_EQ(le::U32(one), 1u);
    const int64_t next = le::I64(one + 16);
    for (int64_t i = 0; i < next - le::I64(one + 8); ++i) clusters.push_back(static_cast<uint32_t>(le::I64(one + 24) + i + 2));
    vcn = next;
    if (result == 0) break;
  }
  EXPECT_EQ(clusters, entry->chain);
  EXPECT_GT(clusters.size(), 1u);
  EXPECT_EQ(Control(volume, *big.handle, win32::kFsctlGetRetrievalPointers, 18, one, sizeof one, bytes), 38u) << "past its end";

  EXPECT_EQ(Control(volume, *big.handle, win32::kFsctlGetVolumeBitmap, 0, bitmap, sizeof bitmap, bytes), 87u) << "a file handle";
  EXPECT_EQ(volume.OpenPath("\\\\?\\C:\\S1.BIN:named", 0, 7, 0).error, 123u) << "FAT has no named streams";
  EXPECT_EQ(volume.OpenPath("\\\\?\\C:\\a", 0, 7, 0).error, 5u) << "a folder needs backup semantics";
  EXPECT_EQ(volume.OpenPath("\\\\?\\C:\\nope\\x", 0, 7, 0).error, 3u);
  EXPECT_EQ(volume.OpenPath("\\\\?\\C:\\nope", 0, 7, 0).error, 2u);
  EXPECT_EQ(volume.OpenPath("\\\\.\\C:", 0, 1, 0).error, 32u) << "a volume must be shared for writing";
  OpenResult root = volume.OpenPath("\\\\?\\C:\\", 0, 7, win32::kFlagBackupSemantics);
  ASSERT_NE(root.handle, nullptr);
  EXPECT_EQ(volume.MoveFileClusters(*drive.handle, *root.handle, 0, 4000, 1), 87u) << "the root never moves";
  EXPECT_EQ(volume.MoveFileClusters(*big.handle, *big.handle, 0, 4000, 1), 87u) << "only the volume's own handle";
  EXPECT_EQ(volume.QueryVolumeInformation("C:\\").fileSystemName, "FAT");
  EXPECT_EQ(w.Shell("fsck.fat -n v.img").first, 0) << "nothing was written";

  // The file's bytes read through its handle are the ones mtools reads.
  std::string read(entry->size, '\0');
  uint32_t got = 0;
  ASSERT_EQ(volume.ReadFile(*big.handle, read.data(), static_cast<uint32_t>(entry->size), got), 0u);
  EXPECT_EQ(got, entry->size);
  std::ofstream(w.Path("read.bin"), std::ios::binary).write(read.data(), static_cast<std::streamsize>(read.size()));
  EXPECT_EQ(w.Shell("mcopy -i v.img '::/Große Datei.dat' - | cmp - read.bin").first, 0);
}

}  // namespace
}  // namespace tarvonel::fat
