#include "front/linux/tool/tool_volume.h"

#include <stdexcept>

#include "platform/image/mount_check.h"
#include "filesystems/volume_model.h"
#include "platform/sim/demo_machine.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "platform/wow64_redirection.h"
#include "platform/wow64_volume_io.h"
#include "volume/free_runs.h"

namespace tarvonel {
namespace {

std::unique_ptr<image::ImageVolume> OpenCard(const std::string& volumePath, bool demo,
                                         image::ImageVolume::StorageOpener open) {
  if (demo) return nullptr;
  const std::string problem = image::ImageDrivesProblem({ImageDrive{'C', volumePath}});
  if (!problem.empty()) throw std::runtime_error(problem);
  return std::make_unique<image::ImageVolume>('C', volumePath, image::SystemTables{}, std::move(open));
}

std::unique_ptr<SimPlatform> DemoMachine(bool demo) {
  return demo ? std::make_unique<SimPlatform>(ParseMachine(DemoMachineJson())) : nullptr;
}

std::unique_ptr<Wow64Redirection> DemoRedirection(SimPlatform* machine) {
  if (machine == nullptr) return nullptr;
  auto redirection = std::make_unique<Wow64Redirection>(*machine);
  redirection->TurnOffForVolumeCalls();
  return redirection;
}

}  // namespace

ToolVolume::ToolVolume(const std::string& volumePath, bool demo, image::ImageVolume::StorageOpener open)
    : demo_(demo),
      name_(demo ? std::string("demo drive") : volumePath),
      card_(OpenCard(volumePath, demo, std::move(open))),
      machine_(DemoMachine(demo)),
      demoRedirection_(DemoRedirection(machine_.get())),
      demoVolumes_(machine_ ? std::make_unique<Wow64VolumeIo>(*machine_, *demoRedirection_) : nullptr),
      io_(card_ ? static_cast<VolumeIo&>(*card_) : *demoVolumes_),
      os_(machine_ ? static_cast<OsFacts&>(*machine_) : cardSystem_),
      errorText_(os_, {}),
      access_(io_),
      extents_(io_, settings_, events_, errorText_),
      mover_(io_, events_, settings_, access_.Geometry(), errorText_) {
  settings_.DriveRoot = kRoot;
  // exFAT is the tool's as much as FAT: the engine's moves on it are the volume's crash-safe ones.
  access_.AcceptFileSystem("exFAT");
}

ToolVolume::~ToolVolume() = default;

bool ToolVolume::Select(std::string& problem) {
  VolumeGeometry& geometry = access_.Geometry();
  geometry.FileSystemName = io_.QueryVolumeInformation(kRoot).fileSystemName;
  geometry.OtherFileSystem = !access_.Workable(geometry.FileSystemName);
  if (geometry.OtherFileSystem) {
    problem = name_ + " is a " + geometry.FileSystemName + " volume; the tool works on FAT and exFAT";
    return false;
  }
  if (!access_.SelectDrive(kRoot) || geometry.Refused()) {
    problem = name_ + " has " + std::to_string(geometry.OversizeClusters) +
              " clusters, more than the 2147483647 the engine numbers";
    return false;
  }
  if (access_.VolumeHandle() == nullptr) {
    problem = "the volume cannot be opened";
    return false;
  }
  return true;
}

int ToolVolume::Moves() const { return card_ ? card_->Moves() : machine_->Moves(); }

int64_t ToolVolume::ClustersMoved() const { return card_ ? card_->ClustersMoved() : machine_->ClustersMoved(); }

bool ToolVolume::CommitPendingMoves() { return card_ == nullptr || card_->CommitPendingMoves(); }

std::string ToolVolume::Refusal() const { return card_ ? card_->Refusal() : std::string(); }

VolumeFacts ToolVolume::Facts() {
  VolumeFacts facts;
  facts.name = name_;
  const VolumeInformation info = io_.QueryVolumeInformation(kRoot);
  facts.fileSystem = info.fileSystemName;
  const DiskFreeSpace space = io_.QueryDiskFreeSpace(kRoot);
  facts.clusterBytes = int64_t{space.sectorsPerCluster} * space.bytesPerSector;
  facts.clusters = space.totalClusters;
  facts.freeClusters = space.freeClusters;
  if (image::ImageVolume* card = Card()) {
    facts.lostClusters = card->LostClusters();
    facts.firstClusterNumber = 2;
    facts.lostRemedy = card->Model().LostClustersRemedy();
  }
  return facts;
}

std::vector<FileLayout> ToolVolume::Walk(const std::function<bool()>& keepGoing) {
  return WalkFileLayouts(io_, extents_, kRoot, keepGoing);
}

std::vector<bool> ToolVolume::InUse() {
  int32_t total = 0;
  const FreeRunList runs = ReadFreeRuns(io_, access_.VolumeHandle(), total);
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
