// IOCTL_STORAGE_QUERY_PROPERTY of a simulated drive, for the one property the program asks:
// StorageDeviceSeekPenaltyProperty, which Windows 7 introduced.
#include <algorithm>
#include <cstring>

#include "platform/sim/sim_platform.h"
#include "platform/win32_codes.h"
#include "platform/win32_errors.h"
#include "volume/records.h"

namespace tarvonel {
namespace {

constexpr uint32_t kQuerySize = 12;       // STORAGE_PROPERTY_QUERY: PropertyId, QueryType, one byte, padding
constexpr uint32_t kHeaderSize = 8;       // Version and Size of every descriptor
constexpr uint32_t kDescriptorSize = 12;  // DEVICE_SEEK_PENALTY_DESCRIPTOR: the header, a BOOLEAN, padding
constexpr uint32_t kPropertyStandardQuery = 0;

}  // namespace

uint32_t SimPlatform::SeekPenaltyQuery(const SimDrive& drive, const uint8_t* input, uint32_t inputSize, uint8_t* output,
                                       uint32_t outputSize, uint32_t& bytesReturned) const {
  if (input == nullptr || inputSize < kQuerySize) return win32_error::kInvalidParameter;
  if (record::U32(input, 4) != kPropertyStandardQuery) return win32_error::kInvalidParameter;
  // Before Windows 7 the class driver knows no such property; some drivers never answer it.
  const bool windows7OrLater = machine_.os.major > 6 || (machine_.os.major == 6 && machine_.os.minor >= 1);
  if (record::U32(input, 0) != win32::kStorageDeviceSeekPenaltyProperty || !windows7OrLater ||
      drive.seekPenalty == SimSeekPenalty::Unknown) {
    return win32_error::kNotSupported;
  }
  if (output == nullptr || outputSize < kHeaderSize) return win32_error::kInsufficientBuffer;
  std::memset(output, 0, std::min(outputSize, kDescriptorSize));
  record::PutU32(output, 0, kDescriptorSize);
  record::PutU32(output, 4, kDescriptorSize);
  if (outputSize >= kDescriptorSize) output[8] = drive.seekPenalty == SimSeekPenalty::Yes ? 1 : 0;
  bytesReturned = outputSize >= kDescriptorSize ? kDescriptorSize : kHeaderSize;  // a short buffer: the header
  return win32_error::kSuccess;
}

}  // namespace tarvonel
