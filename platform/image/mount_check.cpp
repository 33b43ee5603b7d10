#include "platform/image/mount_check.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarvonel::image {
namespace {

// The mount point of the volume on device `major:minor`, or empty. A mountinfo line reads
// "ID PARENT MAJOR:MINOR ROOT MOUNT-POINT ...".
std::string MountPointOf(const std::string& majorMinor, const std::string& mountInfo) {
  std::ifstream table(mountInfo);
  for (std::string line; std::getline(table, line);) {
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint;
    if (fields >> id >> parent >> device >> root >> mountPoint && device == majorMinor) return mountPoint;
  }
  return {};
}

std::string MajorMinor(dev_t device) {
  return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

// The "MAJOR:MINOR" the kernel lists for a block device in /sys/block, or empty.
std::string SysBlockNumber(const std::string& sysBlock, const std::string& name) {
  std::ifstream dev(std::filesystem::path(sysBlock) / name / "dev");
  std::string number;
  std::getline(dev, number);
  return number;
}

// Whether `a` and `b` name the same image file or device, through links and device nodes too.
bool SameVolume(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
  if (S_ISBLK(first.st_mode) && S_ISBLK(second.st_mode)) return first.st_rdev == second.st_rdev;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// The loop device (for example "loop3") whose backing file is `path`, or empty.
std::string LoopDeviceOf(const std::string& path, const std::string& sysBlock) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
  for (const auto& device : std::filesystem::directory_iterator(sysBlock, error)) {
    std::ifstream backing(device.path() / "loop" / "backing_file");
    std::string file;
    if (backing && std::getline(backing, file) && !file.empty() && std::filesystem::path(file) == target) {
      return device.path().filename().string();
    }
  }
  return {};
}

}  // namespace

std::string InUseReason(const std::string& path, const SystemTables& tables) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};  // opening it reports what is wrong
  if (S_ISBLK(info.st_mode)) {
    const std::string mountPoint = MountPointOf(MajorMinor(info.st_rdev), tables.mountInfo);
    if (!mountPoint.empty()) return path + " is mounted on " + mountPoint + "; unmount it first";
    return {};
  }
  const std::string loop = LoopDeviceOf(path, tables.sysBlock);
  if (loop.empty()) return {};
  const std::string number = SysBlockNumber(tables.sysBlock, loop);
  const std::string mountPoint = number.empty() ? std::string() : MountPointOf(number, tables.mountInfo);
  if (!mountPoint.empty()) return path + " is mounted on " + mountPoint + " through /dev/" + loop + "; unmount it first";
  return path + " is attached to /dev/" + loop + "; detach it first (losetup -d /dev/" + loop + ")";
}

std::string ImageDrivesProblem(const std::vector<ImageDrive>& drives, const SystemTables& tables) {
  for (size_t i = 0; i < drives.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (drives[j].letter == drives[i].letter) return std::string("drive ") + drives[i].letter + ": is given twice";
      if (SameVolume(drives[j].path, drives[i].path)) {
        return std::string(1, drives[j].letter) + ": and " + drives[i].letter + ": are the same volume (" + drives[i].path +
               "); give it once";
      }
    }
    // A mounted volume changes under us: not even its analysis would hold.
    const std::string inUse = InUseReason(drives[i].path, tables);
    if (!inUse.empty()) return inUse;
  }
  return {};
}

}  // namespace tarvonel::image
