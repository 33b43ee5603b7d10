#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tarvonel::fat {

class ChainMover;
class FatImage;
class VolumeStorage;

// Makes a drive's cluster moves on the FAT image behind it. The image is opened for writing
// only at the first move, so an analysis never writes; a mounted or loop-attached image is
// refused then. After a move that failed part-way the image no longer matches the drive's
// picture of it, so every later move is refused.
class ImageWriter {
 public:
  // How the image is opened for writing (a FileStorage unless a test cuts writes short).
  using StorageOpener = std::function<std::unique_ptr<VolumeStorage>(const std::string& path)>;
  // `sysBlock`: where the kernel lists block devices (the loop devices' backing files).
  explicit ImageWriter(std::string path, std::string sysBlock = "/sys/block", StorageOpener open = {});
  ~ImageWriter();
  ImageWriter(const ImageWriter&) = delete;
  ImageWriter& operator=(const ImageWriter&) = delete;

  // 0 or the Win32 error of the move (19 when the image may not be written).
  uint32_t Move(const std::string& pathBelowRoot, int64_t vcn, int64_t lcn, uint32_t count);
  // Why the image may not be written, once a move was refused for it; empty otherwise.
  const std::string& Refusal() const { return refusal_; }

 private:
  bool OpenForWriting();

  std::string path_;
  std::string sysBlock_;
  std::unique_ptr<FatImage> image_;
  StorageOpener open_;
  std::unique_ptr<VolumeStorage> storage_;
  std::unique_ptr<ChainMover> mover_;
  std::string refusal_;
  bool diverged_ = false;
};

// The loop device (for example "loop3") whose backing file is `path`, or empty.
std::string LoopDeviceOf(const std::string& path, const std::string& sysBlock);

}  // namespace tarvonel::fat
