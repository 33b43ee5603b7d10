#include "health/temperatures.h"

#include <array>

#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/volume_io.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

constexpr uint32_t kCommandBlockSize = record::kSmartCommandBlock;
constexpr uint32_t kReplySize = record::kSmartReplyHeader + record::kSmartDataPage;
constexpr size_t kDataOffset = 16;          // after cBufferSize and DRIVERSTATUS
constexpr size_t kDriverErrorOffset = 4;    // DRIVERSTATUS.bDriverError
constexpr int kAttributeEntries = 30;
constexpr uint8_t kTemperatureAttribute = 194;

// The SMART command block: features, sector count and number, cylinder low and high,
// drive/head and command registers after the 4-byte buffer size.
std::array<uint8_t, kCommandBlockSize> CommandBlock(uint8_t features, uint32_t bufferSize) {
  std::array<uint8_t, kCommandBlockSize> block{};
  le::Put32(block.data(), bufferSize);
  block[4] = features;
  block[5] = 1;
  block[6] = 1;
  block[7] = 0x4F;
  block[8] = 0xC2;
  block[9] = 0;
  block[10] = 0xB0;
  return block;
}

}  // namespace

clsTemperatures::clsTemperatures(VolumeIo& io, std::function<std::string()> drive, ITemperatureEvents& events)
    : io_(io), drive_(std::move(drive)), events_(events) {}

int16_t clsTemperatures::ReadTemperature() {
  // SMART requests need a handle with both read and write access.
  OpenResult device = io_.OpenPath("\\\\.\\" + drive_(), win32::kGenericRead | win32::kGenericWrite,
                                         win32::kFileShareReadWrite, 0);
  if (!device.handle) return 0;
  std::array<uint8_t, kReplySize> reply{};
  uint32_t returned = 0;
  const auto enable = CommandBlock(0xD8, 0);
  const uint32_t enabled = io_.DeviceIoControl(*device.handle, win32::kSmartSendDriveCommand, enable.data(),
                                                     kCommandBlockSize, reply.data(), kReplySize, returned);
  // A device that does not know the request may still answer the read.
  if (enabled != win32_error::kSuccess && enabled != win32_error::kInvalidFunction) return 0;
  reply.fill(0);
  const auto read = CommandBlock(0xD0, 512);
  if (io_.DeviceIoControl(*device.handle, win32::kSmartRcvDriveData, read.data(), kCommandBlockSize,
                                reply.data(), kReplySize, returned) != win32_error::kSuccess) {
    return 0;
  }
  // A driver that reports an error of its own leaves no data worth reading.
  if (reply[kDriverErrorOffset] != 0 || returned < kReplySize) return 0;
  int16_t temperature = 0;
  for (int k = 0; k < kAttributeEntries; ++k) {
    const size_t entry = kDataOffset + 2 + 12 * static_cast<size_t>(k);
    if (reply[entry] == kTemperatureAttribute) temperature = reply[entry + 5];  // later entries win
  }
  return temperature;
}

void clsTemperatures::QueryHDDTemperature() {
  const int16_t temperature = ReadTemperature();
  if (temperature == 0) {
    events_.HDDTempNA(0);
  } else if (temperature > kCriticalAbove) {
    events_.HDDTempCritical(temperature);
  } else {
    events_.HDDTempOK(temperature);
  }
}

}  // namespace tarvonel
