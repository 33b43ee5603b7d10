#include "volume/seek_penalty.h"

#include <array>

#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/win32_codes.h"

namespace tarvonel {

SeekPenalty QuerySeekPenalty(VolumeIo& io, const std::string& drive) {
  // No access rights: the query reads no data, and a read-only device answers it too.
  OpenResult volume = io.OpenPath("\\\\.\\" + drive, 0, win32::kFileShareReadWrite, 0);
  if (!volume.handle) return SeekPenalty::Unknown;
  std::array<uint8_t, record::kPropertyQuerySize> query{};
  le::Put32(query.data(), win32::kStorageDeviceSeekPenaltyProperty);
  le::Put32(query.data() + 4, record::kPropertyStandardQuery);
  std::array<uint8_t, record::kSeekPenaltyDescriptorSize> descriptor{};
  uint32_t returned = 0;
  const uint32_t error = io.DeviceIoControl(*volume.handle, win32::kIoctlStorageQueryProperty, query.data(),
                                                  static_cast<uint32_t>(query.size()), descriptor.data(),
                                                  static_cast<uint32_t>(descriptor.size()), returned);
  // The descriptor's own Size must cover the flag, or the flag is not there.
  if (error != 0 || returned <= record::kIncursSeekPenalty ||
      le::U32(descriptor.data() + 4) <= record::kIncursSeekPenalty) {
    return SeekPenalty::Unknown;
  }
  return descriptor[record::kIncursSeekPenalty] != 0 ? SeekPenalty::Incurred : SeekPenalty::None;
}

}  // namespace tarvonel
