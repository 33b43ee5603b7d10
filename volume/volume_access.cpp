#include "volume/volume_access.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/win32_codes.h"

namespace tarvonel {

std::string VolumeTooLargeMessage(const std::string& drive, int64_t clusters) {
  return "Drive " + drive + " has " + std::to_string(clusters) +
         " clusters. Tarvonel works on volumes of fewer than 2147483648 clusters (8 TiB at 4 KiB per cluster); "
         "nothing on this drive was read or moved.";
}

std::string ReadOnlyVolumeMessage(const std::string& drive) {
  return "Drive " + drive + " is write-protected: nothing on it can be moved. Turn its write protection off "
         "(the lock switch of a card), then select the drive again.";
}

std::string OtherFileSystemMessage(const std::string& drive, const std::string& fileSystemName) {
  const std::string name = fileSystemName.empty() ? std::string("not known") : fileSystemName;
  return "The file system of drive " + drive + " is " + name +
         ". Tarvonel works only on NTFS, FAT and FAT32 volumes; nothing on this drive was moved.";
}

bool IsWorkableFileSystem(const std::string& fileSystemName) {
  for (const char* name : {"NTFS", "FAT32", "FAT", "FAT16", "FAT12"}) {
    if (fileSystemName == name) return true;
  }
  return false;
}

VolumeAccess::VolumeAccess(VolumeIo& io) : io_(io) {}

bool VolumeAccess::Workable(const std::string& fileSystemName) const {
  return IsWorkableFileSystem(fileSystemName) ||
         std::find(alsoWorkable_.begin(), alsoWorkable_.end(), fileSystemName) != alsoWorkable_.end();
}

std::unique_ptr<OsHandle> VolumeAccess::OpenVolume(const std::string& drive) {
  return io_.OpenPath("\\\\.\\" + drive, win32::kGenericRead, win32::kFileShareReadWrite, 0).handle;
}

bool VolumeAccess::QueryNtfsVolumeData(std::array<uint8_t, 96>& buffer) {
  if (!volumeHandle_) return false;
  uint32_t information = 0;
  return io_.NtFsControlFile(*volumeHandle_, win32::kFsctlGetNtfsVolumeData, buffer.data(),
                                   static_cast<uint32_t>(buffer.size()), information) == win32::kStatusSuccess;
}

void VolumeAccess::ReadMftZone() {
  // A volume without NTFS volume data (FAT, or no handle) has no MFT zone: keeping the last
  // NTFS volume's would paint it on this one and sort this volume's files against it.
  geometry_.MftZoneStart = 0;
  geometry_.MftZoneEnd = 0;
  std::array<uint8_t, 96> data{};
  if (!QueryNtfsVolumeData(data)) return;
  ntfsTotalClusters_ = le::I64(data.data() + record::kNtfsTotalClusters);
  if (ntfsTotalClusters_ > kMaxVolumeClusters) return;  // its zone would not fit either
  geometry_.MftZoneStart = static_cast<int32_t>(le::I64(data.data() + record::kNtfsMftZoneStart));
  geometry_.MftZoneEnd = static_cast<int32_t>(le::I64(data.data() + record::kNtfsMftZoneEnd));
}

bool VolumeAccess::SelectDrive(const std::string& driveRoot) {
  CloseVolume();
  geometry_.DriveRoot = driveRoot;
  std::string drive = driveRoot.substr(0, 2);
  if (!drive.empty()) drive[0] = AsciiUpper(drive[0]);
  geometry_.VolumePath = "\\\\.\\" + drive;
  geometry_.OversizeClusters = 0;
  ntfsTotalClusters_ = 0;
  volumeHandle_ = OpenVolume(driveRoot.substr(0, 2));
  // Windows mounts a write-protected medium read-only and says so in the volume's flags
  // (FILE_READ_ONLY_VOLUME, GetVolumeInformation).
  const VolumeInformation info = io_.QueryVolumeInformation(driveRoot.substr(0, 2) + "\\");
  geometry_.ReadOnly = info.error == 0 && (info.fileSystemFlags & win32::kReadOnlyVolume) != 0;
  ReadMftZone();

  // The NTFS count is 64-bit; the free-space query's is 32-bit and saturates on larger volumes.
  int64_t clusters = ntfsTotalClusters_;
  if (clusters == 0) {
    DiskFreeSpace space = io_.QueryDiskFreeSpace(driveRoot.substr(0, 2) + "\\");
    if (space.error == 0) clusters = space.totalClusters;
  }
  if (clusters > kMaxVolumeClusters) {
    geometry_.OversizeClusters = clusters;
    CloseVolume();
    return false;
  }
  return true;
}

}  // namespace tarvonel
