#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "filesystems/sector_source.h"

namespace tarvonel::image {

// The image file or block device a volume lies on, open for reading. Anything else (a FIFO,
// whose open would wait for a writer; a folder; a character device) is refused before it is
// opened. An exclusive medium is held for the whole run so that no second run, nor any tool
// that honours the lock, works on the volume meanwhile: flock(2) on an image file (the
// flock(1) command sees it), O_EXCL on a block device (which the kernel also refuses while
// the device is mounted).
class Medium : public fs::SectorSource {
 public:
  enum class Hold { Shared, Exclusive };
  // Throws fs::VolumeError naming the path and the problem.
  static std::unique_ptr<Medium> Open(const std::string& path, Hold hold);
  ~Medium() override;
  Medium(const Medium&) = delete;
  Medium& operator=(const Medium&) = delete;

  bool Read(uint64_t offset, void* buffer, size_t length) const override;
  uint64_t Size() const override { return size_; }
  const std::string& Name() const override { return path_; }

 private:
  Medium(std::string path, int fd, uint64_t size) : path_(std::move(path)), fd_(fd), size_(size) {}
  std::string path_;
  int fd_;
  uint64_t size_;
};

}  // namespace tarvonel::image
