#include "platform/image/image_drives.h"

#include "base/ascii.h"
#include "base/win32_errors.h"
#include "platform/fs_driver/paths.h"
#include "platform/os_facts.h"

namespace tarvonel::image {

ImageDrives::ImageDrives(VolumeIo& otherDrives, OsFacts& os, std::vector<std::unique_ptr<ImageVolume>> volumes,
                         std::function<bool(const std::string& pattern)> listedElsewhere)
    : otherDrives_(otherDrives), os_(os), volumes_(std::move(volumes)), listedElsewhere_(std::move(listedElsewhere)) {}

ImageVolume* ImageDrives::VolumeOf(char letter) const {
  for (const auto& volume : volumes_) {
    if (volume->Letter() == AsciiUpper(letter)) return volume.get();
  }
  return nullptr;
}

bool ImageDrives::CommitPendingMoves() {
  bool all = true;
  for (const auto& volume : volumes_) all = volume->CommitPendingMoves() && all;
  return all;
}

int ImageDrives::Moves() const {
  int moves = 0;
  for (const auto& volume : volumes_) moves += volume->Moves();
  return moves;
}

int64_t ImageDrives::ClustersMoved() const {
  int64_t clusters = 0;
  for (const auto& volume : volumes_) clusters += volume->ClustersMoved();
  return clusters;
}

VolumeIo& ImageDrives::For(const OsHandle& handle) const {
  for (const auto& volume : volumes_) {
    if (volume->Owns(handle)) return *volume;
  }
  return otherDrives_;
}

VolumeIo& ImageDrives::ForRoot(const std::string& root) const {
  ImageVolume* volume = fs_driver::IsDriveRoot(root) ? VolumeOf(root[0]) : nullptr;
  if (volume != nullptr) return *volume;
  return otherDrives_;
}

OpenResult ImageDrives::OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) {
  const fs_driver::OpenTarget target = fs_driver::ParseOpenPath(path);
  ImageVolume* volume = target.kind == fs_driver::OpenTarget::Kind::Invalid ? nullptr : VolumeOf(target.letter);
  if (volume == nullptr) return otherDrives_.OpenPath(path, access, share, flags);
  if (target.kind == fs_driver::OpenTarget::Kind::Volume && !os_.IsUserAnAdmin()) {
    OpenResult refused;
    refused.error = win32_error::kAccessDenied;  // opening a volume needs an administrator
    return refused;
  }
  return volume->OpenPath(path, access, share, flags);
}

uint32_t ImageDrives::DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize,
                                      void* output, uint32_t outputSize, uint32_t& bytesReturned) {
  return For(handle).DeviceIoControl(handle, code, input, inputSize, output, outputSize, bytesReturned);
}

uint32_t ImageDrives::MoveFileClusters(OsHandle& volume, OsHandle& file, int64_t startingVcn, int64_t startingLcn,
                                       uint32_t clusterCount) {
  return For(volume).MoveFileClusters(volume, file, startingVcn, startingLcn, clusterCount);
}

uint32_t ImageDrives::NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                                      uint32_t& information) {
  return For(handle).NtFsControlFile(handle, code, output, outputSize, information);
}

uint32_t ImageDrives::NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                             uint32_t& information) {
  return For(handle).NtQueryInformationFile(handle, output, length, infoClass, information);
}

std::unique_ptr<OsFindHandle> ImageDrives::FindFirst(const std::string& pattern, FindEntry& entry, uint32_t& error) {
  if (!listedElsewhere_ || !listedElsewhere_(pattern)) {
    const fs_driver::FindTarget target = fs_driver::ParseFindPattern(pattern);
    if (ImageVolume* volume = target.error == 0 ? VolumeOf(target.letter) : nullptr) {
      return volume->FindFirst(pattern, entry, error);
    }
  }
  return otherDrives_.FindFirst(pattern, entry, error);
}

// Every back end's searches are the drivers' one listing, which any of them continues.
bool ImageDrives::FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) {
  return otherDrives_.FindNext(search, entry, error);
}

DiskFreeSpace ImageDrives::QueryDiskFreeSpace(const std::string& root) {
  return ForRoot(root).QueryDiskFreeSpace(root);
}

VolumeInformation ImageDrives::QueryVolumeInformation(const std::string& root) {
  return ForRoot(root).QueryVolumeInformation(root);
}

uint32_t ImageDrives::SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) {
  return For(handle).SetFilePointer(handle, distanceLow, distanceHigh);
}

uint32_t ImageDrives::ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) {
  return For(handle).ReadFile(handle, buffer, bytes, bytesRead);
}

}  // namespace tarvonel::image
