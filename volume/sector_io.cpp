#include "volume/sector_io.h"

#include "platform/volume_io.h"
#include "platform/win32_codes.h"

namespace tarvonel {

SectorReader::SectorReader(VolumeIo& io) : io_(io) {}

void SectorReader::SectorIO(const std::string& volumePath, int32_t bytesPerSector, uint64_t sector, int32_t length,
                            uint8_t mode) {
  SectorIOFailed = false;
  // Each call owns its handle for the call only, so none is ever left open between calls.
  OpenResult opened = io_.OpenPath(volumePath, win32::kGenericRead | win32::kGenericWrite,
                                         win32::kFileShareReadWrite, 0);
  // A write-protected medium refuses any open that asks to write (ERROR_WRITE_PROTECT); a read
  // needs none, so it takes a read-only handle instead.
  if (!opened.handle && mode == 0) {
    opened = io_.OpenPath(volumePath, win32::kGenericRead, win32::kFileShareReadWrite, 0);
  }
  if (!opened.handle) {
    SectorIOFailed = true;
    return;
  }
  uint64_t offset = 0;
  if (bytesPerSector <= 0 || length < 0 ||
      __builtin_mul_overflow(sector, static_cast<uint64_t>(bytesPerSector), &offset) || offset > INT64_MAX) {
    SectorIOFailed = true;
    return;
  }
  // SetFilePointer takes the low half as a signed value: offsets of 2^31 and more go negative.
  const auto low = static_cast<int32_t>(static_cast<uint32_t>(offset & 0xFFFFFFFFu));
  const auto high = static_cast<int32_t>(offset >> 32);
  if (io_.SetFilePointer(*opened.handle, low, high) != 0) {
    SectorIOFailed = true;
    return;
  }
  if (mode != 0) return;
  SectorReadBuffer.assign(static_cast<size_t>(length), 0);
  uint32_t bytesRead = 0;
  if (io_.ReadFile(*opened.handle, SectorReadBuffer.data(), static_cast<uint32_t>(length), bytesRead) != 0 ||
      bytesRead != static_cast<uint32_t>(length)) {
    SectorIOFailed = true;
  }
}

}  // namespace tarvonel
