#pragma once
#include <string>

#include "filesystems/sector_source.h"

namespace tarvonel::image {

// An image file or device opened for reading and writing; Flush is fdatasync. Its caller holds
// the medium (Medium::Hold::Exclusive).
class FileStorage : public fs::VolumeStorage {
 public:
  // Throws fs::VolumeError when the file cannot be opened for writing.
  explicit FileStorage(const std::string& path);
  ~FileStorage() override;
  FileStorage(const FileStorage&) = delete;
  FileStorage& operator=(const FileStorage&) = delete;

  bool Read(uint64_t offset, void* buffer, size_t length) override;
  bool Write(uint64_t offset, const void* buffer, size_t length) override;
  bool Flush() override;

 private:
  int fd_ = -1;
};

}  // namespace tarvonel::image
