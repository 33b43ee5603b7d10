#pragma once
#include <string>

namespace tarvonel {

// True when `path` is a block device that the kernel says has no seek penalty
// (/sys/dev/block/MAJOR:MINOR/queue/rotational, or its whole disk's for a partition, is 0).
// An image file is not a device: false. `sysDevBlock` is where the kernel lists block devices.
bool IsSolidStateDevice(const std::string& path, const std::string& sysDevBlock = "/sys/dev/block");
// The same for the block device MAJOR:MINOR.
bool HasNoSeekPenalty(unsigned major, unsigned minor, const std::string& sysDevBlock = "/sys/dev/block");

}  // namespace tarvonel
