#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvonel::fat {

// The bytes of a volume that is written to. Every change goes through Write, and Flush is the
// write barrier: what was written before it is on the medium before anything after it.
class VolumeStorage {
 public:
  virtual ~VolumeStorage() = default;
  virtual bool Read(uint64_t offset, void* buffer, size_t length) = 0;
  virtual bool Write(uint64_t offset, const void* buffer, size_t length) = 0;
  virtual bool Flush() = 0;
};

// An image file or device opened for reading and writing; Flush is fdatasync. Its caller holds
// the medium (Medium::Hold::Exclusive).
class FileStorage : public VolumeStorage {
 public:
  // Throws ImageError when the file cannot be opened for writing.
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

}  // namespace tarvonel::fat
