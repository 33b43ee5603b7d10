// The SMART pass-through of a simulated drive: the enable command and the data page with its
// attribute 194, a reading after another, as the drive's description lists them.
#include <cstring>

#include "platform/records.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

constexpr uint32_t kCommandBlockSize = record::kSmartCommandBlock;
constexpr uint32_t kReplyHeaderSize = record::kSmartReplyHeader;
constexpr uint32_t kDataPageSize = record::kSmartDataPage;

struct Registers {
  uint8_t features, sectorCount, sectorNumber, cylLow, cylHigh, driveHead, command;
};

Registers RegistersOf(const uint8_t* block) {
  return {block[4], block[5], block[6], block[7], block[8], block[9], block[10]};
}

bool AddressesSmart(const Registers& r) { return r.cylLow == 0x4F && r.cylHigh == 0xC2 && r.command == 0xB0; }

void PutAttribute(uint8_t* page, int slot, uint8_t id, const uint8_t (&raw)[6]) {
  uint8_t* entry = page + 2 + 12 * slot;
  entry[0] = id;
  entry[1] = 0x22;  // online, advisory
  entry[3] = 100;
  entry[4] = 100;
  std::memcpy(entry + 5, raw, 6);
}

}  // namespace

uint32_t SimPlatform::SmartCommand(const SimDrive& drive, uint32_t code, const uint8_t* input, uint32_t inputSize,
                                   uint8_t* output, uint32_t outputSize, uint32_t& bytesReturned) {
  if (drive.smart.state == SimSmart::State::NotSupported) return win32_error::kNotSupported;
  if (drive.smart.state == SimSmart::State::InvalidFunction) return win32_error::kInvalidFunction;
  if (input == nullptr || inputSize < kCommandBlockSize || output == nullptr || outputSize < kReplyHeaderSize) {
    return win32_error::kInvalidParameter;
  }
  const Registers registers = RegistersOf(input);
  if (!AddressesSmart(registers)) return win32_error::kInvalidParameter;
  std::memset(output, 0, outputSize);
  if (code == win32::kSmartSendDriveCommand) {
    if (registers.features != 0xD8) return win32_error::kInvalidParameter;
    bytesReturned = kReplyHeaderSize;
    return win32_error::kSuccess;
  }
  if (registers.features != 0xD0 || outputSize < kReplyHeaderSize + kDataPageSize) {
    return win32_error::kInvalidParameter;
  }
  size_t& next = smartReadings_[drive.letter];
  const std::vector<uint32_t>& readings = drive.smart.readings;
  const uint32_t reading = readings.empty() ? 0 : readings[std::min(next, readings.size() - 1)];
  ++next;
  output[0] = 0x00;
  output[1] = 0x02;  // cBufferSize = 512, little-endian
  if (drive.smart.state == SimSmart::State::DriverError) output[4] = 1;  // SMART_IDE_ERROR
  uint8_t* page = output + kReplyHeaderSize;
  page[0] = 0x10;
  PutAttribute(page, 0, 1, {0, 0, 0, 0, 0, 0});     // raw read error rate
  PutAttribute(page, 1, 9, {0x10, 0x27, 0, 0, 0, 0});  // power-on hours
  if (drive.smart.temperatureAttribute) {
    // Current temperature in the lowest raw byte; lowest and highest seen packed above it.
    const uint8_t raw[6] = {static_cast<uint8_t>(reading), 0, 20, 0, 61, 0};
    PutAttribute(page, 2, 194, raw);
  }
  uint8_t sum = 0;
  for (uint32_t i = 0; i + 1 < kDataPageSize; ++i) sum = static_cast<uint8_t>(sum + page[i]);
  page[kDataPageSize - 1] = static_cast<uint8_t>(0x100 - sum);
  bytesReturned = kReplyHeaderSize + kDataPageSize;
  return win32_error::kSuccess;
}

}  // namespace tarvonel
