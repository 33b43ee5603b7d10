#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvonel {

class OsHandle;
class VolumeIo;

// Raw reads of a volume's sectors through its device path, on a handle of their own.
class SectorReader {
 public:
  explicit SectorReader(VolumeIo& io);

  // Reads `length` bytes from sector `sector` of `volumePath` ("\\.\C:") into SectorReadBuffer
  // when mode is 0; any other mode only opens and closes the volume. The outcome is
  // SectorIOFailed; nothing is shown to the user.
  void SectorIO(const std::string& volumePath, int32_t bytesPerSector, uint64_t sector, int32_t length, uint8_t mode);

  std::vector<uint8_t> SectorReadBuffer;
  bool SectorIOFailed = false;

 private:
  VolumeIo& io_;
};

}  // namespace tarvonel
