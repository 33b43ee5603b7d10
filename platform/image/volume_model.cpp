#include "platform/image/volume_model.h"

#include <cstring>

#include "platform/boot_sector_fields.h"
#include "platform/image/exfat_image.h"
#include "platform/image/fat_image.h"
#include "platform/image/medium.h"

namespace tarvonel::fat {

std::unique_ptr<VolumeModel> OpenVolumeModel(std::shared_ptr<const Medium> medium) {
  char name[8] = {};
  if (medium->Read(boot_field::kOemName, name, sizeof name) && std::memcmp(name, "EXFAT   ", sizeof name) == 0) {
    return ExfatImage::Open(std::move(medium));
  }
  return FatImage::Open(std::move(medium));
}

}  // namespace tarvonel::fat
