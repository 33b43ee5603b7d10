#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/image/mount_check.h"

namespace tarvonel::fat {

class ChainMover;
class FatImage;
class VolumeStorage;

// Makes a drive's cluster moves on the FAT image behind it. The image is opened for writing
// only at the first move, so an analysis never writes; a mounted device or a loop-attached
// image is refused then. After a move that failed part-way the image no longer matches the
// drive's picture of it, so every later move is refused.
class ImageWriter {
 public:
  // How the image is opened for writing (a FileStorage unless a test cuts writes short).
  using StorageOpener = std::function<std::unique_ptr<VolumeStorage>(const std::string& path)>;
  explicit ImageWriter(std::string path, SystemTables tables = {}, StorageOpener open = {});
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
  SystemTables tables_;
  std::unique_ptr<FatImage> image_;
  StorageOpener open_;
  std::unique_ptr<VolumeStorage> storage_;
  std::unique_ptr<ChainMover> mover_;
  std::string refusal_;
  bool diverged_ = false;
};

}  // namespace tarvonel::fat
