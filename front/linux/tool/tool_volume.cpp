#include "front/linux/tool/tool_volume.h"

#include <stdexcept>

#include "platform/image/fat_volume.h"
#include "platform/image/volume_model.h"
#include "platform/image/image_machine.h"
#include "platform/image/mount_check.h"
#include "platform/sim/demo_machine.h"
#include "platform/sim/machine.h"
#include "volume/free_runs.h"

namespace tarvonel {

ToolVolume::Composed ToolVolume::Compose(const std::string& volumePath, bool demo, fat::FatVolume::StorageOpener open) {
  Composed composed;
  std::vector<std::unique_ptr<fat::FatVolume>> volumes;
  if (demo) {
    composed.machine = std::make_unique<SimPlatform>(ParseMachine(DemoMachineJson()));
  } else {
    const std::vector<ImageDrive> drives{ImageDrive{'C', volumePath}};
    const std::string problem = fat::ImageDrivesProblem(drives);
    if (!problem.empty()) throw std::runtime_error(problem);
    volumes.push_back(std::make_unique<fat::FatVolume>('C', volumePath, fat::SystemTables{}, std::move(open)));
    composed.machine = std::make_unique<SimPlatform>(ParseMachine(WithImageDrives(DemoMachineJson(), volumes)));
  }
  composed.platform = std::make_unique<ImagePlatform>(*composed.machine, std::move(volumes));
  return composed;
}

ToolVolume::ToolVolume(const std::string& volumePath, bool demo, fat::FatVolume::StorageOpener open)
    : demo_(demo),
      name_(demo ? std::string("demo drive") : volumePath),
      composed_(Compose(volumePath, demo, std::move(open))),
      errorText_(*composed_.platform, {}),
      access_(*composed_.platform),
      extents_(*composed_.platform, settings_, events_, errorText_),
      mover_(*composed_.platform, events_, settings_, access_.Geometry(), errorText_) {
  settings_.DriveRoot = kRoot;
}

ToolVolume::~ToolVolume() = default;

bool ToolVolume::Select(std::string& problem) {
  if (!access_.SelectDrive(kRoot) || access_.Geometry().Refused()) {
    const VolumeGeometry& geometry = access_.Geometry();
    problem = geometry.TooLarge() ? VolumeTooLargeMessage("C:", geometry.OversizeClusters)
                                  : OtherFileSystemMessage("C:", geometry.FileSystemName);
    return false;
  }
  if (access_.VolumeHandle() == nullptr) {
    problem = "the volume cannot be opened";
    return false;
  }
  return true;
}

VolumeFacts ToolVolume::Facts() {
  VolumeFacts facts;
  facts.name = name_;
  const VolumeInformation info = Platform().QueryVolumeInformation(kRoot);
  facts.fileSystem = info.fileSystemName;
  const DiskFreeSpace space = Platform().QueryDiskFreeSpace(kRoot);
  facts.clusterBytes = int64_t{space.sectorsPerCluster} * space.bytesPerSector;
  facts.clusters = space.totalClusters;
  facts.freeClusters = space.freeClusters;
  if (fat::FatVolume* fat = Fat()) {
    facts.lostClusters = fat->LostClusters();
    facts.firstClusterNumber = 2;
    facts.lostRemedy = fat->Image().LostClustersRemedy();
  }
  return facts;
}

std::vector<FileLayout> ToolVolume::Walk(const std::function<bool()>& keepGoing) {
  return WalkFileLayouts(Platform(), extents_, kRoot, keepGoing);
}

std::vector<bool> ToolVolume::InUse() {
  int32_t total = 0;
  const FreeRunList runs = ReadFreeRuns(Platform(), access_.VolumeHandle(), total);
  std::vector<bool> inUse(static_cast<size_t>(std::max(total, 0)), true);
  for (const FreeRun& run : runs) {
    const int64_t start = (int64_t{run.LcnHigh} << 32) | static_cast<uint32_t>(run.Lcn);
    for (int64_t lcn = start; lcn < start + run.Length && lcn < total; ++lcn) inUse[static_cast<size_t>(lcn)] = false;
  }
  return inUse;
}

std::string ToolPath(const std::string& enginePath) {
  std::string path = enginePath.size() > 2 ? enginePath.substr(2) : std::string("/");
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::string EnginePath(const std::string& toolPath) {
  std::string path = "C:" + toolPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace tarvonel
