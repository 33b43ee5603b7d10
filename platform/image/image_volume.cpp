#include "platform/image/image_volume.h"

#include <algorithm>
#include <cstring>

#include "base/ascii.h"
#include "base/win32_errors.h"
#include "filesystems/boot_sector_fields.h"
#include "filesystems/cluster_run.h"
#include "filesystems/exfat/exfat_image.h"
#include "filesystems/fat/fat_image.h"
#include "filesystems/volume_model.h"
#include "platform/fs_driver/paths.h"
#include "platform/fs_driver/volume_records.h"
#include "platform/image/file_storage.h"
#include "platform/image/medium.h"
#include "platform/win32_codes.h"

namespace tarvonel::image {
namespace {

using namespace win32_error;
using fs::DirEntry;
using fs::Layout;

// Counted in the volume's open handles while it lives.
class VolumeHandle : public OsHandle {
 public:
  VolumeHandle(const ImageVolume& owner, int& openCount) : volume(owner), openCount_(openCount) { ++openCount_; }
  ~VolumeHandle() override { --openCount_; }

  const ImageVolume& volume;
  DirEntry* entry = nullptr;  // nullptr: the volume itself
  uint32_t access = 0;
  int64_t position = 0;

 private:
  int& openCount_;
};

// What FindFirstFileW reports of an entry: read-only, hidden and system as stored, and the
// directory bit; the archive bit is not passed on.
FindEntry EntryInfo(const DirEntry& entry, const std::string& name) {
  FindEntry info;
  info.name = name;
  info.attributes = (entry.attributes & 0x07u) | (entry.IsDirectory() ? win32::kAttributeDirectory : 0u);
  if (!entry.IsDirectory()) info.size = entry.size;
  return info;
}

// The FAT12/16/32 or exFAT volume on the medium, by its boot sector.
std::unique_ptr<fs::VolumeModel> ReadVolume(std::shared_ptr<const Medium> medium) {
  char name[boot_field::kOemNameLength] = {};
  if (medium->Read(boot_field::kOemName, name, sizeof name) && std::memcmp(name, boot_field::kExfatOemName, sizeof name) == 0) {
    return exfat::ExfatImage::Open(std::move(medium));
  }
  return fat::FatImage::Open(std::move(medium));
}

// The chain's runs as the driver reports extents: by LCN, cluster 2 being LCN 0.
std::vector<fs_driver::LcnRun> Extents(const std::vector<uint32_t>& chain) {
  std::vector<fs_driver::LcnRun> extents;
  for (const fs::ClusterRun run : fs::Runs(chain)) extents.push_back({int64_t{run.first} - 2, run.count});
  return extents;
}

}  // namespace

ImageVolume::ImageVolume(char letter, const std::string& path, SystemTables tables, StorageOpener open)
    : letter_(AsciiUpper(letter)),
      tables_(std::move(tables)),
      open_(std::move(open)),
      medium_(Medium::Open(path, Medium::Hold::Exclusive)),
      model_(ReadVolume(medium_)) {
  if (!open_) open_ = [](const std::string& file) { return std::make_unique<FileStorage>(file); };
}

ImageVolume::~ImageVolume() { CommitPendingMoves(); }

bool ImageVolume::Owns(const OsHandle& handle) const {
  const auto* opened = dynamic_cast<const VolumeHandle*>(&handle);
  return opened != nullptr && &opened->volume == this;
}

size_t ImageVolume::FilesKeptAtTheirStart() const { return mover_ ? mover_->FilesKeptAtTheirStart() : 0; }

std::unordered_set<std::string> ImageVolume::FilesWhoseStartCannotMove() {
  std::unordered_set<std::string> held;
  const std::string root = std::string(1, letter_) + ":\\";
  std::vector<const DirEntry*> folders{&model_->Root()};
  while (!folders.empty()) {
    const DirEntry* folder = folders.back();
    folders.pop_back();
    for (const DirEntry& child : folder->children) {
      if (!model_->StartCanMove(child)) held.insert(root + child.path);
      if (child.IsDirectory()) folders.push_back(&child);
    }
  }
  return held;
}

uint32_t ImageVolume::LostClusters() const { return model_->LostClusters(); }
bool ImageVolume::Dirty() const { return model_->Geometry().dirty; }

DirEntry* ImageVolume::Resolve(const std::string& pathBelowRoot, uint32_t& error) {
  DirEntry* at = &model_->Root();
  size_t start = 0;
  while (start < pathBelowRoot.size()) {
    size_t end = pathBelowRoot.find('\\', start);
    if (end == std::string::npos) end = pathBelowRoot.size();
    const std::string part = AsciiLower(pathBelowRoot.substr(start, end - start));
    const bool last = end + 1 >= pathBelowRoot.size();
    start = end + 1;
    if (part.empty()) continue;
    DirEntry* next = nullptr;
    for (DirEntry& child : at->children) {
      if (AsciiLower(child.name) == part) next = &child;
    }
    if (next == nullptr) {
      error = last ? kFileNotFound : kPathNotFound;
      return nullptr;
    }
    at = next;
  }
  return at;
}

OpenResult ImageVolume::OpenPath(const std::string& path, uint32_t access, uint32_t share, uint32_t flags) {
  OpenResult result;
  const fs_driver::OpenTarget target = fs_driver::ParseOpenPath(path);
  if (target.kind == fs_driver::OpenTarget::Kind::Invalid || target.named) {  // FAT has no named streams
    result.error = kInvalidName;
    return result;
  }
  auto handle = std::make_unique<VolumeHandle>(*this, openHandles_);
  handle->access = access;
  if (target.kind == fs_driver::OpenTarget::Kind::Volume) {
    if ((share & 2) == 0) {  // a volume in use must be shared for writing
      result.error = kSharingViolation;
    } else {
      result.handle = std::move(handle);
    }
    return result;
  }
  DirEntry* entry = Resolve(target.below, result.error);
  if (entry == nullptr) return result;
  if (entry->IsDirectory() && (flags & win32::kFlagBackupSemantics) == 0) {
    result.error = kAccessDenied;
    return result;
  }
  handle->entry = entry;
  result.handle = std::move(handle);
  return result;
}

uint32_t ImageVolume::DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize,
                                      void* output, uint32_t outputSize, uint32_t& bytesReturned) {
  bytesReturned = 0;
  auto& opened = static_cast<VolumeHandle&>(handle);
  auto* out = static_cast<uint8_t*>(output);
  switch (code) {
    case win32::kFsctlGetVolumeBitmap: {
      if (opened.entry != nullptr) return kInvalidParameter;
      if (!CommitWhenHeldClustersMatter()) return kReadFault;
      const fs::VolumeModel& model = *model_;
      const fs_driver::BitmapSource source{model.Geometry().dataClusters, 8, false,
                                           [&model](int64_t start, int64_t count, uint8_t* bits) {
                                             model.CopyUsedBits(start, count, bits);
                                           }};
      return fs_driver::AnswerVolumeBitmap(source, input, inputSize, out, outputSize, bytesReturned);
    }
    case win32::kFsctlGetRetrievalPointers:
      if (opened.entry == nullptr) return kInvalidParameter;
      return fs_driver::AnswerRetrievalPointers(Extents(opened.entry->chain), input, inputSize, out, outputSize,
                                                bytesReturned);
    case win32::kSmartSendDriveCommand:
    case win32::kSmartRcvDriveData:
    case win32::kIoctlStorageQueryProperty:
      if (opened.entry != nullptr || !diskControl_) return kInvalidFunction;
      return diskControl_(opened.access, code, input, inputSize, output, outputSize, bytesReturned);
    default:
      return kInvalidFunction;
  }
}

bool ImageVolume::OpenForWriting() {
  if (mover_) return true;
  if (!refusal_.empty()) return false;
  // A mounted volume changes under us: never write to one.
  refusal_ = InUseReason(medium_->Name(), tables_);
  if (!refusal_.empty()) return false;
  try {
    storage_ = open_(medium_->Name());
  } catch (const fs::VolumeError& error) {
    refusal_ = error.what();
    return false;
  }
  mover_ = model_->MakeMover(*storage_);
  return true;
}

uint32_t ImageVolume::MoveFileClusters(OsHandle& volumeHandle, OsHandle& fileHandle, int64_t startingVcn,
                                       int64_t startingLcn, uint32_t clusterCount) {
  // FAT takes only the volume's own handle.
  if (!Owns(volumeHandle) || !Owns(fileHandle)) return kInvalidParameter;
  auto& volume = static_cast<VolumeHandle&>(volumeHandle);
  auto& file = static_cast<VolumeHandle&>(fileHandle);
  if (volume.entry != nullptr || file.entry == nullptr || file.entry == &model_->Root()) return kInvalidParameter;
  if (diverged_ || !OpenForWriting()) return kWriteProtect;
  if (startingVcn < 0 || startingLcn < 0 || startingVcn > UINT32_MAX || startingLcn > UINT32_MAX) return kInvalidParameter;
  const size_t pendingBefore = mover_->PendingMoves();
  std::vector<uint32_t> from;
  if (watcher_) {
    const std::vector<uint32_t>& chain = file.entry->chain;
    const size_t first = std::min(static_cast<size_t>(startingVcn), chain.size());
    from.assign(chain.begin() + static_cast<std::ptrdiff_t>(first),
                chain.begin() + static_cast<std::ptrdiff_t>(std::min(chain.size(), first + clusterCount)));
  }
  const uint32_t result = mover_->Move(*file.entry, static_cast<uint32_t>(startingVcn),
                                       static_cast<uint32_t>(startingLcn), clusterCount);
  if (watcher_) watcher_(file.entry->path, from, static_cast<uint32_t>(startingLcn) + 2, result);
  if (result == kSuccess) {
    ++moves_;
    clustersMoved_ += clusterCount;
  } else if (result == kWriteFault || result == kReadFault) {  // a commit failed; the rest are refusals
    Diverge(result, pendingBefore);
  }
  return result;
}

// The clusters a batch frees read as in use until it is committed. When they are a real part of
// the free space (an eighth), the batch is committed first, so that a pass looking for room on
// a nearly full volume sees all of it, as it would without batches.
bool ImageVolume::CommitWhenHeldClustersMatter() {
  if (!mover_) return true;
  const uint64_t held = mover_->HeldClusters();
  const uint64_t shownFree = model_->Geometry().dataClusters - model_->UsedClusters();
  return held * 8 <= shownFree + held || CommitPendingMoves();
}

bool ImageVolume::CommitPendingMoves() {
  if (!mover_ || diverged_) return !diverged_;
  const size_t pending = mover_->PendingMoves();
  if (const uint32_t error = mover_->Commit()) {
    Diverge(error, pending);
    return false;
  }
  return true;
}

// A batch that could not be committed leaves the volume as its last completed step did (every
// file whole), but the moves the engine was told were made are not all on the medium: nothing
// more is written.
void ImageVolume::Diverge(uint32_t error, size_t uncommitted) {
  diverged_ = true;
  refusal_ = medium_->Name() + ": writing a batch of " + std::to_string(uncommitted) + " moves failed (error " +
             std::to_string(error) + "); those moves may not all be on the volume, every file is whole, and no "
             "further moves are made (" + model_->RepairCommand() + " reclaims any clusters left over)";
}

uint32_t ImageVolume::NtFsControlFile(OsHandle& handle, uint32_t code, void*, uint32_t, uint32_t& information) {
  information = 0;
  if (code != win32::kFsctlGetNtfsVolumeData) return win32::kStatusInvalidDeviceRequest;
  if (static_cast<VolumeHandle&>(handle).entry != nullptr) return win32::kStatusInvalidParameter;
  return win32::kStatusInvalidDeviceRequest;  // not an NTFS volume
}

uint32_t ImageVolume::NtQueryInformationFile(OsHandle&, void*, uint32_t, uint32_t, uint32_t& information) {
  information = 0;
  return win32::kStatusInvalidParameter;  // FAT has no stream information
}

std::unique_ptr<OsFindHandle> ImageVolume::FindFirst(const std::string& pattern, FindEntry& entry, uint32_t& error) {
  const fs_driver::FindTarget target = fs_driver::ParseFindPattern(pattern);
  if (target.error != 0) {
    error = target.error;
    return nullptr;
  }
  error = 0;
  const DirEntry* directory = Resolve(target.below, error);
  if (directory == nullptr || !directory->IsDirectory()) {
    error = kPathNotFound;
    return nullptr;
  }
  std::vector<FindEntry> children;
  for (const DirEntry& child : directory->children) children.push_back(EntryInfo(child, child.name));
  if (directory == &model_->Root()) return fs_driver::StartListing(nullptr, nullptr, std::move(children), entry, error);
  // ".." is reported with the directory's own facts: only its name and attributes are read.
  const FindEntry self = EntryInfo(*directory, ".");
  return fs_driver::StartListing(&self, &self, std::move(children), entry, error);
}

bool ImageVolume::FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) {
  return fs_driver::NextListed(search, entry, error);
}

DiskFreeSpace ImageVolume::QueryDiskFreeSpace(const std::string& root) {
  if (!fs_driver::IsDriveRoot(root)) {
    DiskFreeSpace space;
    space.error = kInvalidName;
    return space;
  }
  if (!CommitWhenHeldClustersMatter()) {
    DiskFreeSpace space;
    space.error = kReadFault;
    return space;
  }
  const Layout& layout = model_->Geometry();
  return fs_driver::AnswerDiskFreeSpace(layout.sectorsPerCluster, layout.bytesPerSector,
                                        int64_t{layout.dataClusters} - model_->UsedClusters(), layout.dataClusters);
}

VolumeInformation ImageVolume::QueryVolumeInformation(const std::string& root) {
  VolumeInformation info;
  if (!fs_driver::IsDriveRoot(root)) {
    info.error = kInvalidName;
    return info;
  }
  info.label = model_->Label();
  info.fileSystemName = model_->FileSystemName();
  return info;
}

uint32_t ImageVolume::SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) {
  return fs_driver::SetPosition(distanceLow, distanceHigh, static_cast<VolumeHandle&>(handle).position);
}

uint32_t ImageVolume::ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) {
  auto& opened = static_cast<VolumeHandle&>(handle);
  bytesRead = 0;
  if (!CommitPendingMoves()) return kReadFault;  // the medium must hold what is read back
  auto* out = static_cast<uint8_t*>(buffer);
  const Layout& layout = model_->Geometry();
  if (opened.entry == nullptr) {  // a volume reads in whole sectors
    if (!fs_driver::IsSectorAligned(opened.position, bytes, layout.bytesPerSector)) return kInvalidParameter;
    const auto size = static_cast<int64_t>(layout.totalSectors * layout.bytesPerSector);
    const int64_t available = std::max<int64_t>(0, std::min<int64_t>(bytes, size - opened.position));
    if (available > 0 && !medium_->Read(static_cast<uint64_t>(opened.position), out, static_cast<size_t>(available))) {
      return kReadFault;
    }
    bytesRead = static_cast<uint32_t>(available);
  } else {
    const DirEntry& file = *opened.entry;
    const int64_t size = file.IsDirectory() ? 0 : static_cast<int64_t>(file.size);
    const int64_t available = std::max<int64_t>(0, std::min<int64_t>(bytes, size - opened.position));
    const auto clusterBytes = static_cast<int64_t>(layout.ClusterBytes());
    for (int64_t done = 0; done < available;) {
      const int64_t at = opened.position + done;
      const int64_t inCluster = at % clusterBytes;
      const int64_t piece = std::min(available - done, clusterBytes - inCluster);
      const uint32_t cluster = file.chain[static_cast<size_t>(at / clusterBytes)];
      if (!medium_->Read(model_->ClusterOffset(cluster) + static_cast<uint64_t>(inCluster), out + done,
                         static_cast<size_t>(piece))) {
        return kReadFault;
      }
      done += piece;
    }
    bytesRead = static_cast<uint32_t>(available);
  }
  opened.position += bytesRead;
  return kSuccess;
}

}  // namespace tarvonel::image
