#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/image/image_drives.h"
#include "platform/platform.h"

namespace tarvonel {

class SimPlatform;

// A simulated machine whose image drives are real FAT or exFAT volumes: the volume role from
// the image drives (which hand every other drive to the machine), every other role from the
// machine. An image drive's disk answers SMART and the storage query as the machine's drive of
// that letter, and the machine's shell folders stay the machine's whatever their letter.
class ImageMachine {
 public:
  ImageMachine(SimPlatform& machine, std::vector<std::unique_ptr<image::ImageVolume>> volumes);

  PlatformRoles Roles();
  SimPlatform& Machine() { return machine_; }
  const SimPlatform& Machine() const { return machine_; }
  image::ImageDrives& Drives() { return drives_; }
  const std::vector<std::unique_ptr<image::ImageVolume>>& Volumes() const { return drives_.Volumes(); }
  // Every image volume's batch on its medium; false when one could not be written.
  bool CommitPendingMoves() { return drives_.CommitPendingMoves(); }
  int Moves() const;  // on every drive, simulated or image
  int64_t ClustersMoved() const;

 private:
  SimPlatform& machine_;
  image::ImageDrives drives_;
};

// The machine description with each image volume as a fixed drive of its letter, and its dirty
// state as the drive's disk check finds it. The volume itself is not described: its
// ImageVolume serves it.
std::string WithImageDrives(const std::string& machineJson,
                            const std::vector<std::unique_ptr<image::ImageVolume>>& volumes);

}  // namespace tarvonel
