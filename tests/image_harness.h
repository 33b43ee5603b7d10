#pragma once
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "front/linux/image_machine.h"
#include "platform/image/image_volume.h"
#include "platform/image/image_drive.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel::test {

// A whole program whose drive C: is a real FAT or exFAT volume, the rest of the machine simulated.
struct ImageHarness {
  explicit ImageHarness(const std::string& image, const std::string& commandTail = {},
                        image::ImageVolume::StorageOpener open = {}, image::SystemTables tables = {})
      : ImageHarness(Volume(image, std::move(open), std::move(tables)), commandTail) {}

  ImageHarness(std::vector<std::unique_ptr<image::ImageVolume>> volumes, const std::string& commandTail)
      : machine(ParseMachine(WithImageDrives(R"({"drives": []})", volumes))),
        platform(machine, std::move(volumes)),
        toolkit(clock),
        program(platform.Roles(), toolkit) {
    machine.SetCommandTail(commandTail);
    program.Jobs().onPassEnded = [this] { platform.CommitPendingMoves(); };
  }

  static std::vector<std::unique_ptr<image::ImageVolume>> Volume(const std::string& image, image::ImageVolume::StorageOpener open,
                                                             image::SystemTables tables) {
    std::vector<std::unique_ptr<image::ImageVolume>> volumes;
    volumes.push_back(std::make_unique<image::ImageVolume>('C', image, std::move(tables), std::move(open)));
    return volumes;
  }

  image::ImageVolume& C() { return *platform.Volumes().front(); }

  SimPlatform machine;
  ImageMachine platform;
  VirtualClock clock;
  HeadlessToolkit toolkit;
  mutable Program program;
};

}  // namespace tarvonel::test
