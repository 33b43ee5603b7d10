#pragma once
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/image/fat_volume.h"
#include "platform/image/image_machine.h"
#include "platform/image/image_platform.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel::test {

// A whole program whose drive C: is a real FAT volume, the rest of the machine simulated.
struct ImageHarness {
  explicit ImageHarness(const std::string& image, const std::string& commandTail = {},
                        fat::FatVolume::StorageOpener open = {}, fat::SystemTables tables = {})
      : ImageHarness(Volume(image, std::move(open), std::move(tables)), commandTail) {}

  ImageHarness(std::vector<std::unique_ptr<fat::FatVolume>> volumes, const std::string& commandTail)
      : machine(ParseMachine(WithImageDrives(R"({"drives": []})", volumes))),
        platform(machine, std::move(volumes)),
        toolkit(clock),
        program(platform, toolkit) {
    machine.SetCommandTail(commandTail);
    program.Jobs().onPassEnded = [this] { platform.CommitPendingMoves(); };
  }

  static std::vector<std::unique_ptr<fat::FatVolume>> Volume(const std::string& image, fat::FatVolume::StorageOpener open,
                                                             fat::SystemTables tables) {
    std::vector<std::unique_ptr<fat::FatVolume>> volumes;
    volumes.push_back(std::make_unique<fat::FatVolume>('C', image, std::move(tables), std::move(open)));
    return volumes;
  }

  fat::FatVolume& C() { return *platform.Volumes().front(); }

  SimPlatform machine;
  ImagePlatform platform;
  VirtualClock clock;
  HeadlessToolkit toolkit;
  mutable Program program;
};

}  // namespace tarvonel::test
