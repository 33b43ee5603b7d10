#pragma once
#include "platform/volume_io.h"

namespace tarvonel {

class Wow64Redirection;

// The volume role as the 32-bit program on 64-bit Windows needs it: the calls that name a path
// (the opens of volumes, files and directories, and the directory searches) run with WOW64
// redirection off, so the catalogue sees the real System32; every other call, and everything
// outside this role, runs with it on. A search's later entries come through the handle its first
// call opened, with no path to redirect.
class Wow64VolumeIo : public VolumeIo {
 public:
  Wow64VolumeIo(VolumeIo& io, Wow64Redirection& redirection) : io_(io), redirection_(redirection) {}

  OpenResult OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) override;
  std::unique_ptr<OsFindHandle> FindFirst(const std::string& pattern, FindEntry& entry, uint32_t& error) override;

  uint32_t DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, uint32_t& bytesReturned) override {
    return io_.DeviceIoControl(handle, code, input, inputSize, output, outputSize, bytesReturned);
  }
  uint32_t MoveFileClusters(OsHandle& volume, OsHandle& file, int64_t startingVcn, int64_t startingLcn,
                            uint32_t clusterCount) override {
    return io_.MoveFileClusters(volume, file, startingVcn, startingLcn, clusterCount);
  }
  uint32_t NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                           uint32_t& information) override {
    return io_.NtFsControlFile(handle, code, output, outputSize, information);
  }
  uint32_t NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                  uint32_t& information) override {
    return io_.NtQueryInformationFile(handle, output, length, infoClass, information);
  }
  bool FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) override {
    return io_.FindNext(search, entry, error);
  }
  DiskFreeSpace QueryDiskFreeSpace(const std::string& root) override { return io_.QueryDiskFreeSpace(root); }
  VolumeInformation QueryVolumeInformation(const std::string& root) override {
    return io_.QueryVolumeInformation(root);
  }
  bool GetInputState() override { return io_.GetInputState(); }
  uint32_t SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) override {
    return io_.SetFilePointer(handle, distanceLow, distanceHigh);
  }
  uint32_t ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) override {
    return io_.ReadFile(handle, buffer, bytes, bytesRead);
  }

 private:
  VolumeIo& io_;
  Wow64Redirection& redirection_;
};

}  // namespace tarvonel
