#pragma once
#include <memory>
#include <string>

#include "filesystems/exfat/exfat_image.h"
#include "filesystems/fat/fat_image.h"
#include "platform/image/medium.h"

namespace tarvonel {

// The volume in an image file, read without holding it, as a check after a run reads it.
inline std::unique_ptr<fat::FatImage> OpenFatImage(const std::string& path) {
  return fat::FatImage::Open(image::Medium::Open(path, image::Medium::Hold::Shared));
}

inline std::unique_ptr<exfat::ExfatImage> OpenExfatImage(const std::string& path) {
  return exfat::ExfatImage::Open(image::Medium::Open(path, image::Medium::Hold::Shared));
}

}  // namespace tarvonel
