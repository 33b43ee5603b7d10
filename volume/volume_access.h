#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/volume_io.h"

namespace tarvonel {

// The selected volume. Cluster numbers and counts are the low 32 bits of the platform's values.
struct VolumeGeometry {
  std::string DriveRoot;       // "C:\"
  std::string VolumePath;      // "\\.\C:"
  std::string FileSystemName;  // "NTFS", "FAT32", "FAT"
  int32_t SectorsPerCluster = 0;
  int32_t BytesPerSector = 0;
  int32_t TotalClusters = 0;
  int32_t FreeClusters = 0;
  int32_t MftZoneStart = 0;  // LCN; 0 and 0 on a volume with no NTFS volume data
  int32_t MftZoneEnd = 0;    // LCN, exclusive
  // A volume of 2^31 clusters or more does not fit the engine's 32-bit cluster numbers; it is
  // refused at selection and nothing reads from it or moves on it. The count it reported:
  int64_t OversizeClusters = 0;
  bool TooLarge() const { return OversizeClusters != 0; }
  // Set when the selected drive holds another file system (exFAT, ReFS, CDFS, ...): the
  // defragmentation rules the engine follows are those of NTFS and FAT, so nothing moves on it.
  bool OtherFileSystem = false;
  bool Refused() const { return TooLarge() || OtherFileSystem; }
  // Mounted read-only (a medium's write-protect switch): it is analysed, but no pass runs on it.
  bool ReadOnly = false;
};

// NTFS, FAT32, and FAT as Windows names FAT12 and FAT16 (or as their boot sectors do).
bool IsWorkableFileSystem(const std::string& fileSystemName);

inline constexpr int64_t kMaxVolumeClusters = 0x7FFFFFFF;  // 2^31 - 1

// The text a user sees when a volume is too large for the engine.
std::string VolumeTooLargeMessage(const std::string& drive, int64_t clusters);
// The text a user sees when the drive's file system is not one the engine works on.
std::string OtherFileSystemMessage(const std::string& drive, const std::string& fileSystemName);
// The text a user sees when a pass is asked of a write-protected volume.
std::string ReadOnlyVolumeMessage(const std::string& drive);

// Owns the one shared, read-only handle on the selected volume and its geometry.
class VolumeAccess {
 public:
  explicit VolumeAccess(VolumeIo& io);

  // P1: "\\.\" + drive ("C:"), read access, read and write sharing. Empty when it fails.
  std::unique_ptr<OsHandle> OpenVolume(const std::string& drive);
  void CloseVolume() { volumeHandle_.reset(); }
  // P6 on the current handle: true when the call returned status 0.
  bool QueryNtfsVolumeData(std::array<uint8_t, 96>& buffer);
  void ReadMftZone();

  // Drive selection: close the handle, set the root and path, open, read the MFT zone, and
  // check that the volume fits the engine. Returns false for a volume that is too large, which
  // is then left closed.
  bool SelectDrive(const std::string& driveRoot);

  OsHandle* VolumeHandle() { return volumeHandle_.get(); }
  // A file system a composition serves beyond NTFS, FAT and FAT32 (the Linux tool's exFAT).
  void AcceptFileSystem(const std::string& fileSystemName) { alsoWorkable_.push_back(fileSystemName); }
  bool Workable(const std::string& fileSystemName) const;
  VolumeGeometry& Geometry() { return geometry_; }
  const VolumeGeometry& Geometry() const { return geometry_; }

 private:
  VolumeIo& io_;
  std::unique_ptr<OsHandle> volumeHandle_;
  VolumeGeometry geometry_;
  int64_t ntfsTotalClusters_ = 0;  // of the last successful volume-data query
  std::vector<std::string> alsoWorkable_;
};

}  // namespace tarvonel
