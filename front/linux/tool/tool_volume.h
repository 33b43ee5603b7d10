#pragma once
#include <memory>
#include <string>
#include <vector>

#include "base/job_settings.h"
#include "front/linux/tool/card_system.h"
#include "front/linux/tool/tool_events.h"
#include "platform/image/image_volume.h"
#include "platform/system_error_text.h"
#include "volume/cluster_moves.h"
#include "volume/extents.h"
#include "volume/file_layout.h"
#include "volume/volume_access.h"

namespace tarvonel {

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

class SimPlatform;
class Wow64Redirection;
class Wow64VolumeIo;

// The volume a tool command works on: the image or device itself, served from the medium and
// held for the whole run, as drive C: of nothing but itself (with --demo, the demo machine's
// simulated drive C:), with the engine's readers and its one move call on it.
class ToolVolume {
 public:
  // Throws std::runtime_error naming why the volume cannot be used; nothing is written then.
  // `open` opens the medium for writing (a test cuts its writes short).
  ToolVolume(const std::string& volumePath, bool demo, image::ImageVolume::StorageOpener open = {});
  ~ToolVolume();
  ToolVolume(const ToolVolume&) = delete;
  ToolVolume& operator=(const ToolVolume&) = delete;

  VolumeIo& Io() { return io_; }
  OsFacts& Os() { return os_; }
  image::ImageVolume* Card() { return card_.get(); }
  bool Demo() const { return demo_; }
  static constexpr const char* kRoot = "C:\\";

  // The drive opened and its geometry read; false (with `problem`) when the engine refuses it.
  bool Select(std::string& problem);
  VolumeFacts Facts();
  std::vector<FileLayout> Walk(const std::function<bool()>& keepGoing = {});
  // Per cluster, from the volume bitmap: in use.
  std::vector<bool> InUse();
  VolumeAccess& Access() { return access_; }
  const JobSettings& Settings() const { return settings_; }
  ToolEvents& Events() { return events_; }
  ExtentReader& Extents() { return extents_; }
  ClusterMover& Mover() { return mover_; }
  OsHandle* VolumeHandle() { return access_.VolumeHandle(); }

  // What the moves so far came to, and putting them on the medium (moves share their write
  // barriers in batches): false when a batch could not be written (Refusal says why).
  int Moves() const;
  int64_t ClustersMoved() const;
  bool CommitPendingMoves();
  // Why the volume may not be written, once a move was refused for it; empty otherwise.
  std::string Refusal() const;

 private:
  bool demo_;
  std::string name_;
  std::unique_ptr<image::ImageVolume> card_;
  std::unique_ptr<SimPlatform> machine_;  // with --demo only
  // The demo machine is 64-bit Windows as the 32-bit Windows program sees it: the engine's
  // volume calls see the real System32 there, as the program's do.
  std::unique_ptr<Wow64Redirection> demoRedirection_;
  std::unique_ptr<Wow64VolumeIo> demoVolumes_;
  CardSystem cardSystem_;
  VolumeIo& io_;
  OsFacts& os_;
  JobSettings settings_;
  ToolEvents events_;
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
