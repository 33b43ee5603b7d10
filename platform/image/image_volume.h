#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/image/mount_check.h"
#include "platform/volume_io.h"

namespace tarvonel::fs {
class BatchMover;
class VolumeModel;
class VolumeStorage;
struct DirEntry;
}  // namespace tarvonel::fs

namespace tarvonel::image {

class Medium;

// A FAT or exFAT volume on an image file or block device, served as the Windows driver serves a
// drive: the bitmap from the FAT (a cluster whose entry is not 0 is in use, lost clusters
// included) or from exFAT's allocation bitmap, retrieval pointers from the chains, the directory
// walk from the directory clusters, moves by its file system's mover in batches. There is one
// model of the volume: the FAT and the chains the answers come from are the ones each move
// writes, the medium catching up when a batch is committed. The medium is held exclusively from
// the start (analysis included); it is opened for writing only at the first move, when a
// mounted device or a loop-attached image is refused. Whether the user may open a volume at all
// is the system's rule, not the file system's: the composition asks it first.
class ImageVolume : public VolumeIo {
 public:
  // How the medium is opened for writing (a FileStorage unless a test cuts writes short).
  using StorageOpener = std::function<std::unique_ptr<fs::VolumeStorage>(const std::string& path)>;
  // Throws fs::VolumeError naming the problem: not a file or device, locked, not a sound FAT or exFAT volume.
  ImageVolume(char letter, const std::string& path, SystemTables tables = {}, StorageOpener open = {});
  ~ImageVolume() override;
  ImageVolume(const ImageVolume&) = delete;
  ImageVolume& operator=(const ImageVolume&) = delete;

  char Letter() const { return letter_; }
  bool Owns(const OsHandle& handle) const;
  const fs::VolumeModel& Model() const { return *model_; }
  // Clusters in use that no file holds, left by an interrupted move or an unclean removal.
  uint32_t LostClusters() const;
  bool Dirty() const;
  int Moves() const { return moves_; }
  // Files the volume would not move from their start (see BatchMover::FilesKeptAtTheirStart).
  size_t FilesKeptAtTheirStart() const;
  // The files ("C:\DIR\FILE") whose first cluster moves only with the whole file
  // (fs::VolumeModel::StartCanMove), in one walk of the tree.
  std::unordered_set<std::string> FilesWhoseStartCannotMove();
  int64_t ClustersMoved() const { return clustersMoved_; }
  // Puts the moves made so far on the medium (they share their write barriers in batches).
  // Called before the run waits on anything (a message box, the temperature warning), when
  // a pass ends or is stopped, before anything reads the medium back, and at the end. False
  // when the batch could not be written: then no further moves are made (Refusal says why).
  bool CommitPendingMoves();
  // Why the volume may not be written, once a move was refused for it; empty otherwise.
  const std::string& Refusal() const { return refusal_; }
  // Told of every move asked of the volume: the file ("DIR\FILE"), the clusters that were to
  // move (FAT numbers, in file order), the first cluster asked for, and the move's result.
  // Two runs of one job can so be compared move for move.
  using MoveWatcher = std::function<void(const std::string& path, const std::vector<uint32_t>& from, uint32_t to,
                                         uint32_t result)>;
  void WatchMoves(MoveWatcher watcher) { watcher_ = std::move(watcher); }

  OpenResult OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) override;
  uint32_t DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, uint32_t& bytesReturned) override;
  uint32_t MoveFileClusters(OsHandle& volume, OsHandle& file, int64_t startingVcn, int64_t startingLcn,
                            uint32_t clusterCount) override;
  uint32_t NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                           uint32_t& information) override;
  uint32_t NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                  uint32_t& information) override;
  std::unique_ptr<OsFindHandle> FindFirst(const std::string& pattern, FindEntry& entry, uint32_t& error) override;
  bool FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) override;
  DiskFreeSpace QueryDiskFreeSpace(const std::string& root) override;
  VolumeInformation QueryVolumeInformation(const std::string& root) override;
  bool GetInputState() override { return false; }  // the machine's, not the volume's
  uint32_t SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) override;
  uint32_t ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) override;

  // The drive-level controls (SMART, the storage query) on a volume handle of this drive are
  // the disk's, not the file system's: they go here.
  using DiskControl = std::function<uint32_t(uint32_t access, uint32_t code, const void* input, uint32_t inputSize,
                                             void* output, uint32_t outputSize, uint32_t& bytesReturned)>;
  void SetDiskControl(DiskControl control) { diskControl_ = std::move(control); }

 private:
  fs::DirEntry* Resolve(const std::string& pathBelowRoot, uint32_t& error);
  bool OpenForWriting();
  void Diverge(uint32_t error, size_t uncommitted);
  // Commits the batch when the clusters it frees, which read as in use until then, are a real
  // part of the free space; false when that commit failed.
  bool CommitWhenHeldClustersMatter();

  char letter_;
  SystemTables tables_;
  StorageOpener open_;
  std::shared_ptr<Medium> medium_;
  std::unique_ptr<fs::VolumeModel> model_;
  std::unique_ptr<fs::VolumeStorage> storage_;
  std::unique_ptr<fs::BatchMover> mover_;
  DiskControl diskControl_;
  MoveWatcher watcher_;
  std::string refusal_;
  bool diverged_ = false;
  int moves_ = 0;
  int64_t clustersMoved_ = 0;
  int openHandles_ = 0;
};

}  // namespace tarvonel::image
