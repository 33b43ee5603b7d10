#include "platform/image/image_platform.h"

#include "base/ascii.h"
#include "platform/fs_driver/paths.h"
#include "platform/win32_errors.h"

namespace tarvonel {

ImagePlatform::ImagePlatform(SimPlatform& machine, std::vector<std::unique_ptr<fat::FatVolume>> volumes)
    : machine_(machine), volumes_(std::move(volumes)) {
  for (const auto& volume : volumes_) {
    const char letter = volume->Letter();
    volume->SetDiskControl([this, letter](uint32_t access, uint32_t code, const void* input, uint32_t inputSize,
                                          void* output, uint32_t outputSize, uint32_t& bytesReturned) {
      return machine_.DiskControl(letter, access, code, input, inputSize, output, outputSize, bytesReturned);
    });
  }
}

fat::FatVolume* ImagePlatform::VolumeOf(char letter) const {
  for (const auto& volume : volumes_) {
    if (volume->Letter() == AsciiUpper(letter)) return volume.get();
  }
  return nullptr;
}

bool ImagePlatform::CommitPendingMoves() {
  bool all = true;
  for (const auto& volume : volumes_) all = volume->CommitPendingMoves() && all;
  return all;
}

int ImagePlatform::Moves() const {
  int moves = machine_.Moves();
  for (const auto& volume : volumes_) moves += volume->Moves();
  return moves;
}

int64_t ImagePlatform::ClustersMoved() const {
  int64_t clusters = machine_.ClustersMoved();
  for (const auto& volume : volumes_) clusters += volume->ClustersMoved();
  return clusters;
}

VolumeIo& ImagePlatform::For(const OsHandle& handle) const {
  for (const auto& volume : volumes_) {
    if (volume->Owns(handle)) return *volume;
  }
  return machine_;
}

VolumeIo& ImagePlatform::ForRoot(const std::string& root) const {
  fat::FatVolume* volume = fs_driver::IsDriveRoot(root) ? VolumeOf(root[0]) : nullptr;
  if (volume != nullptr) return *volume;
  return machine_;
}

OpenResult ImagePlatform::OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) {
  const fs_driver::OpenTarget target = fs_driver::ParseOpenPath(path);
  fat::FatVolume* volume = target.kind == fs_driver::OpenTarget::Kind::Invalid ? nullptr : VolumeOf(target.letter);
  if (volume == nullptr) return machine_.OpenPath(path, access, share, flags);
  if (target.kind == fs_driver::OpenTarget::Kind::Volume && !machine_.IsUserAnAdmin()) {
    OpenResult refused;
    refused.error = win32_error::kAccessDenied;  // opening a volume needs an administrator
    return refused;
  }
  return volume->OpenPath(path, access, share, flags);
}

std::unique_ptr<OsFindHandle> ImagePlatform::FindFirst(const std::string& pattern, FindEntry& entry, uint32_t& error) {
  // The shell's folders and shortcuts live outside the volumes.
  if (!machine_.Shell().FirstListed(pattern)) {
    const fs_driver::FindTarget target = fs_driver::ParseFindPattern(pattern);
    if (fat::FatVolume* volume = target.error == 0 ? VolumeOf(target.letter) : nullptr) {
      return volume->FindFirst(pattern, entry, error);
    }
  }
  return machine_.FindFirst(pattern, entry, error);
}

}  // namespace tarvonel
