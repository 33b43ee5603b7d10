#pragma once
#include <string>

namespace tarvonel::fat {

// Where the kernel tells which volumes are mounted and which files back loop devices.
struct SystemTables {
  std::string mountInfo = "/proc/self/mountinfo";
  std::string sysBlock = "/sys/block";
};

// Why the volume at `path` must not be used now, or empty: a mounted block device, or an
// image file behind a loop device (mounted or not, someone else may write to it).
std::string InUseReason(const std::string& path, const SystemTables& tables = {});

// The loop device (for example "loop3") whose backing file is `path`, or empty.
std::string LoopDeviceOf(const std::string& path, const std::string& sysBlock);

}  // namespace tarvonel::fat
