#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/image/image_volume.h"
#include "platform/volume_io.h"

namespace tarvonel {
class OsFacts;
}

namespace tarvonel::image {

// The volume role of a machine some of whose drives are real volumes in image files or on
// devices: each such drive is served by its ImageVolume, every other drive by `otherDrives`.
class ImageDrives : public VolumeIo {
 public:
  // `os` says whether the user may open a volume. `listedElsewhere` says which searches list
  // folders that lie outside the volumes (the machine's shell folders), whatever their letter.
  ImageDrives(VolumeIo& otherDrives, OsFacts& os, std::vector<std::unique_ptr<ImageVolume>> volumes,
              std::function<bool(const std::string& pattern)> listedElsewhere = {});

  const std::vector<std::unique_ptr<ImageVolume>>& Volumes() const { return volumes_; }
  ImageVolume* VolumeOf(char letter) const;
  // Every image volume's batch on its medium; false when one could not be written.
  bool CommitPendingMoves();
  int Moves() const;  // on the image volumes
  int64_t ClustersMoved() const;

  OpenResult OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) override;
  uint32_t DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, uint32_t& bytesReturned) override;
  uint32_t MoveFileClusters(OsHandle& volume, OsHandle& file, int64_t startingVcn, int64_t startingLcn,
                            uint32_t clusterCount) override;
  uint32_t NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                           uint32_t& information) override;
  uint32_t NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                  uint32_t& information) override;
  std::unique_ptr<OsFindHandle> FindFirst(const std::string& pattern, FindEntry& entry, uint32_t& error) override;
  bool FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) override;
  DiskFreeSpace QueryDiskFreeSpace(const std::string& root) override;
  VolumeInformation QueryVolumeInformation(const std::string& root) override;
  bool GetInputState() override { return otherDrives_.GetInputState(); }
  uint32_t SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) override;
  uint32_t ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) override;

 private:
  VolumeIo& For(const OsHandle& handle) const;
  VolumeIo& ForRoot(const std::string& root) const;

  VolumeIo& otherDrives_;
  OsFacts& os_;
  std::vector<std::unique_ptr<ImageVolume>> volumes_;
  std::function<bool(const std::string&)> listedElsewhere_;
};

}  // namespace tarvonel::image
