#pragma once
#include <memory>
#include <string>
#include <vector>

#include "base/job_settings.h"
#include "platform/image/image_platform.h"
#include "platform/sim/sim_platform.h"
#include "platform/system_error_text.h"
#include "volume/cluster_moves.h"
#include "volume/extents.h"
#include "volume/file_layout.h"
#include "volume/job_events.h"
#include "volume/volume_access.h"

namespace tarvonel {

// The engine's events when no window shows them: nothing to show, nothing to yield to.
class QuietEvents : public JobEvents {
 public:
  void YieldToUser() override {}
  void Log(std::string_view) override {}
  void SetTitle(const std::string&) override {}
  void SetCurrentFile(const std::string&) override {}
  void SetProgressMaximum(int32_t) override {}
  void SetProgress(int32_t value) override { progress_ = value; }
  int32_t Progress() const override { return progress_; }
  void MarkCluster(int32_t, uint32_t) override {}
  void SetActivityLight(bool) override {}

 private:
  int32_t progress_ = 0;
};

// What the tool reports of a volume as a whole.
struct VolumeFacts {
  std::string name;        // as the user gave it, or "demo drive C:"
  std::string fileSystem;  // "FAT32", "FAT" (12 or 16), "exFAT", "NTFS"
  int64_t clusterBytes = 0;
  int64_t clusters = 0;
  int64_t freeClusters = 0;
  int64_t lostClusters = 0;
  int64_t firstClusterNumber = 0;  // what the file system calls LCN 0: 2 on FAT
  std::string lostRemedy;          // "fsck.fat -a reclaims them"
};

// The volume a tool command works on, as drive C: of a simulated machine (the demo machine's
// own drive with --demo; otherwise the image or device, served from the medium and held for
// the whole run), with the engine's readers and its one move call on it.
class ToolVolume {
 public:
  // Throws std::runtime_error naming why the volume cannot be used; nothing is written then.
  // `open` opens the medium for writing (a test cuts its writes short).
  ToolVolume(const std::string& volumePath, bool demo, fat::FatVolume::StorageOpener open = {});
  ~ToolVolume();

  ImagePlatform& Platform() { return *composed_.platform; }
  SimPlatform& Machine() { return *composed_.machine; }
  fat::FatVolume* Fat() { return composed_.platform->VolumeOf('C'); }
  bool Demo() const { return demo_; }
  static constexpr const char* kRoot = "C:\\";

  // The drive opened and its geometry read; false (with `problem`) when the engine refuses it.
  bool Select(std::string& problem);
  VolumeFacts Facts();
  std::vector<FileLayout> Walk(const std::function<bool()>& keepGoing = {});
  // Per cluster, from the volume bitmap: in use.
  std::vector<bool> InUse();
  ExtentReader& Extents() { return extents_; }
  ClusterMover& Mover() { return mover_; }
  OsHandle* VolumeHandle() { return access_.VolumeHandle(); }

 private:
  struct Composed {
    std::unique_ptr<SimPlatform> machine;
    std::unique_ptr<ImagePlatform> platform;
  };
  static Composed Compose(const std::string& volumePath, bool demo, fat::FatVolume::StorageOpener open);

  bool demo_;
  std::string name_;
  Composed composed_;
  JobSettings settings_;
  QuietEvents events_;
  SystemErrorText errorText_;
  VolumeAccess access_;
  ExtentReader extents_;
  ClusterMover mover_;
};

// "C:\GAMES\GAME.ISO" as the tool shows it: "/GAMES/GAME.ISO".
std::string ToolPath(const std::string& enginePath);
// The engine path of a tool path, for matching: "/games/game.iso" -> "C:\games\game.iso".
std::string EnginePath(const std::string& toolPath);

}  // namespace tarvonel
