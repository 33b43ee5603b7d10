#pragma once
#include <string>
#include <vector>

#include "platform/image/image_drive.h"

namespace tarvonel::image {

// Where the kernel tells which volumes are mounted and which files back loop devices.
struct SystemTables {
  std::string mountInfo = "/proc/self/mountinfo";
  std::string sysBlock = "/sys/block";
};

// Why the volume at `path` must not be used now, or empty: a mounted block device, or an
// image file behind a loop device (mounted or not, someone else may write to it).
std::string InUseReason(const std::string& path, const SystemTables& tables = {});

// What forbids these image drives now, or empty: a drive letter given twice, one volume given
// as two drives (each would allocate what the other just used), a volume in use.
std::string ImageDrivesProblem(const std::vector<ImageDrive>& drives, const SystemTables& tables = {});

}  // namespace tarvonel::image
