// IOCTL_STORAGE_QUERY_PROPERTY of a simulated drive, for the one property the program asks:
// StorageDeviceSeekPenaltyProperty, which Windows 7 introduced.
#include <cstring>

#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"

namespace tarvonel {

uint32_t SimPlatform::SeekPenaltyQuery(const SimDrive& drive, const uint8_t* input, uint32_t inputSize, uint8_t* output,
                                       uint32_t outputSize, uint32_t& bytesReturned) const {
  if (input == nullptr || inputSize < record::kPropertyQuerySize) return win32_error::kInvalidParameter;
  if (le::U32(input + 4) != record::kPropertyStandardQuery) return win32_error::kInvalidParameter;
  // Before Windows 7 the class driver knows no such property; some drivers never answer it.
  const bool windows7OrLater = machine_.os.major > 6 || (machine_.os.major == 6 && machine_.os.minor >= 1);
  if (le::U32(input) != win32::kStorageDeviceSeekPenaltyProperty || !windows7OrLater ||
      drive.seekPenalty == SimSeekPenalty::Unknown) {
    return win32_error::kNotSupported;
  }
  constexpr auto kFull = static_cast<uint32_t>(record::kSeekPenaltyDescriptorSize);
  if (output == nullptr || outputSize < record::kDescriptorHeader) return win32_error::kInsufficientBuffer;
  // A buffer too short for the flag gets the header, whose Size tells what a whole one needs.
  bytesReturned = outputSize >= kFull ? kFull : static_cast<uint32_t>(record::kDescriptorHeader);
  std::memset(output, 0, bytesReturned);
  le::Put32(output, kFull);
  le::Put32(output + 4, kFull);
  if (bytesReturned == kFull) output[record::kIncursSeekPenalty] = drive.seekPenalty == SimSeekPenalty::Yes ? 1 : 0;
  return win32_error::kSuccess;
}

}  // namespace tarvonel
