#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvonel::fs {

// The bytes a volume is read from: an image file, a device, or bytes in memory.
class SectorSource {
 public:
  virtual ~SectorSource() = default;
  // False when the bytes lie beyond the source or cannot be read.
  virtual bool Read(uint64_t offset, void* buffer, size_t length) const = 0;
  virtual uint64_t Size() const = 0;
  // What messages call it: the image's or the device's path.
  virtual const std::string& Name() const = 0;
};

// The bytes of a volume that is written to. Every change goes through Write, and Flush is the
// write barrier: what was written before it is on the medium before anything after it. A disk's
// cache may reorder the writes between two barriers, so each crash-safe step ends with one.
class VolumeStorage {
 public:
  virtual ~VolumeStorage() = default;
  virtual bool Read(uint64_t offset, void* buffer, size_t length) = 0;
  virtual bool Write(uint64_t offset, const void* buffer, size_t length) = 0;
  virtual bool Flush() = 0;
};

}  // namespace tarvonel::fs
