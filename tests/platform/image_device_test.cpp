// Volumes on block devices: a mounted one is refused before anything is read, an unmounted one
// is defragmented in place, and one that someone else holds is never written. The kernel's
// loop devices stand in for USB sticks; without the rights to attach them those tests skip.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "open_volume.h"
#include "filesystems/fat/fat_image.h"
#include "platform/image/image_drive.h"
#include "platform/image/image_volume.h"
#include "platform/image/mount_check.h"
#include "shell_workspace.h"
#include "image_harness.h"

namespace tarvonel::fat {
namespace {

struct Workspace : test::ShellWorkspace {
  Workspace() : ShellWorkspace("tarvonel-device") {}
};

// A loop device over a file of the workspace, detached (and unmounted) at the end.
class LoopDevice {
 public:
  LoopDevice(const Workspace& w, const std::string& file) : w_(w) {
    auto [status, output] = w.Shell("losetup -f --show " + file);
    if (status == 0 && output.starts_with("/dev/")) path_ = output.substr(0, output.find('\n'));
  }
  ~LoopDevice() {
    if (!mountPoint_.empty()) w_.Shell("umount " + mountPoint_);
    if (!path_.empty()) w_.Shell("losetup -d " + path_);
  }
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  const std::string& Path() const { return path_; }
  bool Mount(const std::string& mountPoint) {
    if (w_.Shell("mkdir -p " + mountPoint + " && mount " + path_ + " " + mountPoint).first != 0) return false;
    mountPoint_ = mountPoint;
    return true;
  }

 private:
  const Workspace& w_;
  std::string path_;
  std::string mountPoint_;
};

const char* const kFragmentedVolume =
    "mkfs.fat -C -F 16 -s 1 v.img 4096 && for i in 1 2 3 4 5 6; do head -c 2500 /dev/urandom > S$i; "
    "mcopy -i v.img S$i ::/S$i.BIN; done && mdel -i v.img ::/S2.BIN ::/S4.BIN && head -c 9000 /dev/urandom > big && "
    "mcopy -i v.img big ::/BIG.DAT && cp v.img before.img";
const char* const kFilesReadBack =
    "for f in S1 S3 S5 S6; do mcopy -i v.img ::/$f.BIN - | cmp -s - $f || echo \"damaged $f\"; done; "
    "mcopy -i v.img ::/BIG.DAT - | cmp -s - big || echo 'damaged big'";

bool Fragmented(const DirEntry& directory) {
  for (const DirEntry& child : directory.children) {
    for (size_t i = 1; i < child.chain.size(); ++i) {
      if (child.chain[i] != child.chain[i - 1] + 1) return true;
    }
  }
  return false;
}

TEST(MountCheck, AnImageBehindALoopDeviceIsInUseAndSaysWhere) {
  Workspace w;
  ASSERT_EQ(w.Shell("touch v.img other.img && mkdir -p sys/loop3/loop && realpath v.img > sys/loop3/loop/backing_file "
                    "&& echo 7:3 > sys/loop3/dev && echo '30 1 8:17 / /media/stick rw - vfat /dev/sdb1 rw' > mountinfo")
                .first,
            0);
  const image::SystemTables tables{w.Path("mountinfo"), w.Path("sys")};
  EXPECT_EQ(image::InUseReason(w.Path("v.img"), tables),
            w.Path("v.img") + " is attached to /dev/loop3; detach it first (losetup -d /dev/loop3)");
  ASSERT_EQ(w.Shell("echo '31 1 7:3 / /mnt/img rw - vfat /dev/loop3 rw' >> mountinfo").first, 0);
  EXPECT_EQ(image::InUseReason(w.Path("v.img"), tables), w.Path("v.img") + " is mounted on /mnt/img through /dev/loop3; unmount it first");
  EXPECT_EQ(image::InUseReason(w.Path("other.img"), tables), "");
  EXPECT_EQ(image::InUseReason(w.Path("missing.img"), tables), "") << "opening it names that problem";
}

TEST(MountCheck, ADriveOrAVolumeGivenTwiceIsRefused) {
  Workspace w;
  ASSERT_EQ(w.Shell("touch a.img && ln a.img hard.img && ln -s a.img soft.img && cp a.img copy.img && touch mountinfo").first, 0);
  const image::SystemTables tables{w.Path("mountinfo"), w.Path("sys")};
  EXPECT_EQ(image::ImageDrivesProblem({{'C', w.Path("a.img")}, {'D', w.Path("copy.img")}}, tables), "");
  EXPECT_EQ(image::ImageDrivesProblem({{'C', w.Path("a.img")}, {'C', w.Path("copy.img")}}, tables), "drive C: is given twice");
  for (const char* link : {"hard.img", "soft.img"}) {
    EXPECT_EQ(image::ImageDrivesProblem({{'C', w.Path("copy.img")}, {'D', w.Path("a.img")}, {'E', w.Path(link)}}, tables),
              "D: and E: are the same volume (" + w.Path(link) + "); give it once");
  }
}

TEST(MountCheck, ABlockDeviceIsInUseWhileTheMountTableListsIt) {
  Workspace w;
  ASSERT_EQ(w.Shell("echo '30 1 8:17 / /media/stick rw - vfat /dev/sdb1 rw' > mountinfo").first, 0);
  if (::mknod(w.Path("sdb1").c_str(), S_IFBLK | 0600, makedev(8, 17)) != 0 ||
      ::mknod(w.Path("sdb2").c_str(), S_IFBLK | 0600, makedev(8, 18)) != 0) {
    GTEST_SKIP() << "device nodes cannot be made here";
  }
  const image::SystemTables tables{w.Path("mountinfo"), w.Path("sys")};
  EXPECT_EQ(image::InUseReason(w.Path("sdb1"), tables), w.Path("sdb1") + " is mounted on /media/stick; unmount it first");
  EXPECT_EQ(image::InUseReason(w.Path("sdb2"), tables), "");
  EXPECT_EQ(image::ImageDrivesProblem({{'E', w.Path("sdb2")}, {'F', w.Path("sdb1")}}, tables),
            w.Path("sdb1") + " is mounted on /media/stick; unmount it first");
  ASSERT_EQ(::mknod(w.Path("stick").c_str(), S_IFBLK | 0600, makedev(8, 18)), 0);
  EXPECT_THAT(image::ImageDrivesProblem({{'E', w.Path("sdb2")}, {'F', w.Path("stick")}}, tables), testing::HasSubstr("the same volume"))
      << "two nodes of one device";
}

TEST(ImageDevices, AMountedDeviceIsRefusedByTheKernelsOwnTables) {
  Workspace w;
  ASSERT_EQ(w.Shell("truncate -s 8M ext.img && mkfs.ext2 -q ext.img").first, 0);
  LoopDevice device(w, w.Path("ext.img"));
  if (device.Path().empty() || !device.Mount(w.Path("mnt"))) GTEST_SKIP() << "loop devices cannot be mounted here";
  EXPECT_EQ(image::InUseReason(device.Path()), device.Path() + " is mounted on " + w.Path("mnt") + "; unmount it first");
  EXPECT_THAT(image::InUseReason(w.Path("ext.img")), testing::HasSubstr(" is mounted on " + w.Path("mnt") + " through "));
}

TEST(ImageDevices, AnUnmountedDeviceIsDefragmentedInPlace) {
  Workspace w;
  ASSERT_EQ(w.Shell(kFragmentedVolume).first, 0);
  ASSERT_TRUE(Fragmented(OpenFatImage(w.Path("v.img"))->Root()));
  {
    LoopDevice device(w, w.Path("v.img"));
    if (device.Path().empty()) GTEST_SKIP() << "loop devices cannot be attached here";
    EXPECT_EQ(image::InUseReason(device.Path()), "");
    test::ImageHarness h(device.Path(), "/d");
    h.program.Run();
    EXPECT_GT(h.platform.Moves(), 0);
    EXPECT_EQ(h.C().Refusal(), "");
  }
  auto [code, fsck] = w.Shell("fsck.fat -n v.img");
  EXPECT_EQ(code, 0) << fsck;
  EXPECT_EQ(w.Shell(kFilesReadBack).second, "");
  EXPECT_FALSE(Fragmented(OpenFatImage(w.Path("v.img"))->Root()));
}

TEST(ImageDevices, ADeviceSomeoneElseHoldsIsNeverWritten) {
  Workspace w;
  ASSERT_EQ(w.Shell(kFragmentedVolume).first, 0);
  {
    LoopDevice device(w, w.Path("v.img"));
    if (device.Path().empty()) GTEST_SKIP() << "loop devices cannot be attached here";
    // An exclusive open is what a mount holds.
    const int held = ::open(device.Path().c_str(), O_RDONLY | O_EXCL);
    ASSERT_GE(held, 0);
    try {
      image::ImageVolume volume('C', device.Path());
      ADD_FAILURE() << "a device held by someone else was taken";
    } catch (const VolumeError& error) {
      EXPECT_THAT(error.what(), testing::HasSubstr("is in use: mounted, or held by another program"));
    }
    ::close(held);
  }
  EXPECT_EQ(w.Shell("cmp v.img before.img").first, 0) << "not a byte written";
}

}  // namespace
}  // namespace tarvonel::fat
