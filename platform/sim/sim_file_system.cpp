// The volume and file operations of the simulated machine, answering as Windows does
// (record layouts, chunking and error codes as the NTFS and FAT drivers give them).
#include <algorithm>
#include <cstring>

#include "base/ascii.h"
#include "base/text_encoding.h"
#include "platform/fs_driver/paths.h"
#include "platform/fs_driver/volume_records.h"
#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

constexpr int kMaxLinkDepth = 32;

// Counts itself in the platform's open-handle count while it lives, so tests can prove that
// every handle the engine opens is closed again.
class SimHandle : public OsHandle {
  int& openCount_;

 public:
  SimHandle(int& openCount, SimVolume& simVolume) : openCount_(openCount), volume(simVolume) { ++openCount_; }
  ~SimHandle() override { --openCount_; }

  SimVolume& volume;
  SimEntry* entry = nullptr;  // nullptr: the volume itself
  uint32_t access = 0;
  char letter = 0;
  size_t stream = 0;
  std::string path;  // as opened, without "\\?\", for fault injection
  int64_t position = 0;
};

using fs_driver::IsDriveRoot;

FindEntry EntryInfo(const SimEntry& entry, const std::string& name) {
  FindEntry info;
  info.name = name;
  info.attributes = entry.Attributes();
  if (entry.kind == SimEntryKind::Junction) info.reserved0 = win32::kReparseTagMountPoint;
  if (entry.kind == SimEntryKind::SymbolicLink) info.reserved0 = win32::kReparseTagSymlink;
  if (entry.kind == SimEntryKind::File && !entry.streams.empty()) info.size = entry.streams[0].content.size();
  return info;
}

}  // namespace

SimVolume* SimPlatform::Volume(char letter) {
  letter = AsciiUpper(letter);
  for (SimDrive& drive : machine_.drives) {
    if (drive.letter == letter) return drive.volume.get();
  }
  return nullptr;
}

// The File System Redirector (learn.microsoft.com/windows/win32/winprog64/file-system-redirector):
// a 32-bit process on 64-bit Windows naming %windir%\System32 is shown %windir%\SysWOW64 while
// redirection is on, but for the subfolders the page exempts (driverstore only from Windows 7).
std::optional<std::string> SimPlatform::RedirectedPath(const std::string& path) const {
  if (machine_.os.bits != 64 || redirectionDisabled_) return std::nullopt;
  const size_t prefix = path.starts_with("\\\\?\\") ? 4 : 0;
  const std::string system32 = machine_.os.windowsDirectory + "\\System32";
  if (path.size() < prefix + system32.size() ||
      FoldName(path.substr(prefix, system32.size())) != FoldName(system32)) {
    return std::nullopt;
  }
  const std::string rest = path.substr(prefix + system32.size());
  if (!rest.empty() && rest[0] != '\\') return std::nullopt;  // "System32x" is another folder
  for (const char* exempt : {"catroot", "catroot2", "drivers\\etc", "logfiles", "spool", "driverstore"}) {
    const std::string folder = std::string("\\") + exempt;
    if (folder == "\\driverstore" && !machine_.os.Windows7OrLater()) continue;
    if (FoldName(rest.substr(0, folder.size())) == FoldName(folder) &&
        (rest.size() == folder.size() || rest[folder.size()] == '\\')) {
      return std::nullopt;
    }
  }
  return path.substr(0, prefix) + machine_.os.windowsDirectory + "\\SysWOW64" + rest;
}

SimEntry* SimPlatform::ResolveEntry(char letter, const std::string& pathBelowRoot, int depth, uint32_t& error) {
  SimVolume* volume = Volume(letter);
  if (volume == nullptr) {
    error = win32_error::kPathNotFound;
    return nullptr;
  }
  SimEntry* entry = &volume->Root();
  size_t start = 0;
  while (start < pathBelowRoot.size()) {
    size_t end = pathBelowRoot.find('\\', start);
    if (end == std::string::npos) end = pathBelowRoot.size();
    const std::string part = pathBelowRoot.substr(start, end - start);
    const bool last = end + 1 >= pathBelowRoot.size();
    start = end + 1;
    if (part.empty()) continue;
    SimEntry* child = entry->Child(part);
    if (child == nullptr) {
      error = last ? win32_error::kFileNotFound : win32_error::kPathNotFound;
      return nullptr;
    }
    entry = child;
    // Links are followed wherever they stand in the path, as Windows does without
    // FILE_FLAG_OPEN_REPARSE_POINT; a loop of links ends in an error.
    if (entry->kind == SimEntryKind::Junction || entry->kind == SimEntryKind::SymbolicLink) {
      if (depth >= kMaxLinkDepth) {
        error = win32_error::kCantResolveFilename;
        return nullptr;
      }
      entry = ResolveEntry(entry->target[0], entry->target.substr(std::min<size_t>(3, entry->target.size())),
                           depth + 1, error);
      if (entry == nullptr) return nullptr;
    }
  }
  return entry;
}

OpenResult SimPlatform::OpenPath(const std::string& namedPath, uint32_t access, uint32_t share, uint32_t flags) {
  OpenResult result;
  const std::optional<std::string> redirected = RedirectedPath(namedPath);
  const std::string& path = redirected ? *redirected : namedPath;
  const fs_driver::OpenTarget target = fs_driver::ParseOpenPath(path);
  if (target.kind == fs_driver::OpenTarget::Kind::Volume) {
    SimVolume* volume = Volume(target.letter);
    if (!machine_.administrator) {
      result.error = win32_error::kAccessDenied;
    } else if (DriveTypeOf(std::string(1, target.letter) + ":\\") == DriveType::NoRootDir) {
      result.error = win32_error::kFileNotFound;
    } else if (volume == nullptr) {
      result.error = win32_error::kNotReady;
    } else if ((share & 2) == 0) {  // a volume in use must be shared for writing
      result.error = win32_error::kSharingViolation;
    } else if ((access & win32::kAnyWriteAccess) != 0 && DriveOf(std::string(1, target.letter))->writeProtected) {
      // The medium's switch: an open that asks to write fails with ERROR_WRITE_PROTECT, as
      // locked SD cards are reported to answer. Microsoft's FAT sample refuses only
      // delete-on-close at open (fastfat create.c) and fails the writes themselves; the model
      // takes the stricter answer, which a read must survive either way.
      result.error = win32_error::kWriteProtect;
    } else {
      auto handle = std::make_unique<SimHandle>(openHandles_, *volume);
      handle->access = access;
      handle->letter = AsciiUpper(target.letter);
      result.handle = std::move(handle);
    }
    return result;
  }
  if (target.kind == fs_driver::OpenTarget::Kind::Invalid) {
    result.error = win32_error::kInvalidName;
    return result;
  }
  const char letter = target.letter;
  SimVolume* volume = Volume(letter);
  if (volume == nullptr) {
    result.error = DriveTypeOf(std::string(1, letter) + ":\\") == DriveType::NoRootDir ? win32_error::kPathNotFound
                                                                        : win32_error::kNotReady;
    return result;
  }
  const std::string& below = target.below;
  std::string streamName = target.stream;
  if (target.named && !volume->IsNtfs()) {
    result.error = win32_error::kInvalidName;
    return result;
  }
  uint32_t error = 0;
  SimEntry* entry = ResolveEntry(letter, below, 0, error);
  if (entry == nullptr) {
    result.error = error;
    return result;
  }
  size_t stream = 0;
  if (!streamName.empty()) {
    stream = entry->streams.size();
    for (size_t s = 1; s < entry->streams.size(); ++s) {
      if (FoldName(entry->streams[s].name) == FoldName(streamName)) stream = s;
    }
    if (stream == entry->streams.size()) {
      result.error = win32_error::kFileNotFound;
      return result;
    }
  }
  if (entry->IsDirectoryLike() && streamName.empty() && (flags & win32::kFlagBackupSemantics) == 0) {
    result.error = win32_error::kAccessDenied;
    return result;
  }
  // A sharing conflict needs data access on one side: attribute-only opens pass.
  const bool wantsData = (access & (win32::kGenericRead | win32::kGenericWrite | win32::kFileReadData)) != 0;
  if (entry->lock == SimLock::PagingFile) {
    result.error = volume->IsNtfs() ? win32_error::kSharingViolation : win32_error::kAccessDenied;
    return result;
  }
  if (entry->lock == SimLock::Exclusive && wantsData) {
    result.error = win32_error::kSharingViolation;
    return result;
  }
  auto handle = std::make_unique<SimHandle>(openHandles_, *volume);
  handle->entry = entry;
  handle->access = access;
  handle->stream = stream;
  handle->path = path.substr(4);
  result.handle = std::move(handle);
  return result;
}

uint32_t SimPlatform::DeviceIoControl(OsHandle& handle, uint32_t code, const void* input, uint32_t inputSize,
                                      void* output, uint32_t outputSize, uint32_t& bytesReturned) {
  bytesReturned = 0;
  auto& sim = static_cast<SimHandle&>(handle);
  for (IoControlFault& fault : ioControlFaults_) {
    if (fault.code == code && fault.callsLeft >= 0 && fault.callsLeft-- == 0) return fault.error;
  }
  auto* out = static_cast<uint8_t*>(output);
  switch (code) {
    case win32::kFsctlGetVolumeBitmap:
      if (sim.entry != nullptr) return win32_error::kInvalidParameter;
      return ReadBitmap(sim.volume, input, inputSize, out, outputSize, bytesReturned);
    case win32::kFsctlGetRetrievalPointers: {
      if (sim.entry == nullptr) return win32_error::kInvalidParameter;
      if (!stuckRetrievalPath_.empty() && FoldName(sim.path) == FoldName(stuckRetrievalPath_) && outputSize >= 32) {
        // Claims more data yet repeats the first extent: a driver fault the reader must survive.
        uint32_t ignored = 0;
        const uint8_t zero[8] = {};
        ReadRetrievalPointers(sim.entry->streams[sim.stream], zero, 8, out, 32, ignored);
        bytesReturned = 32;
        return win32_error::kMoreData;
      }
      return ReadRetrievalPointers(sim.entry->streams[sim.stream], input, inputSize, out, outputSize, bytesReturned);
    }
    case win32::kSmartSendDriveCommand:
    case win32::kSmartRcvDriveData:
    case win32::kIoctlStorageQueryProperty:
      if (sim.entry != nullptr) return win32_error::kInvalidFunction;
      return DiskControl(sim.letter, sim.access, code, input, inputSize, output, outputSize, bytesReturned);
    default:
      return win32_error::kInvalidFunction;
  }
}

uint32_t SimPlatform::DiskControl(char letter, uint32_t access, uint32_t code, const void* input, uint32_t inputSize,
                                  void* output, uint32_t outputSize, uint32_t& bytesReturned) {
  bytesReturned = 0;
  const SimDrive* drive = DriveOf(std::string(1, letter) + ":\\");
  if (drive == nullptr) return win32_error::kInvalidFunction;
  const auto* in = static_cast<const uint8_t*>(input);
  auto* out = static_cast<uint8_t*>(output);
  if (code == win32::kIoctlStorageQueryProperty) return SeekPenaltyQuery(*drive, in, inputSize, out, outputSize, bytesReturned);
  // The I/O manager sends the SMART commands only on a handle open for reading and writing.
  const uint32_t readWrite = win32::kGenericRead | win32::kGenericWrite;
  if ((access & readWrite) != readWrite) return win32_error::kAccessDenied;
  return SmartCommand(*drive, code, in, inputSize, out, outputSize, bytesReturned);
}

uint32_t SimPlatform::MoveFileClusters(OsHandle& volumeHandle, OsHandle& fileHandle, int64_t startingVcn,
                               int64_t startingLcn, uint32_t clusterCount) {
  auto& volume = static_cast<SimHandle&>(volumeHandle);
  auto& file = static_cast<SimHandle&>(fileHandle);
  // NTFS takes any handle on the volume; FAT only the volume's own.
  if ((!volume.volume.IsNtfs() && volume.entry != nullptr) || file.entry == nullptr || &file.volume != &volume.volume) {
    return win32_error::kInvalidParameter;
  }
  // A medium whose switch is on is mounted read-only: nothing on it can move.
  for (const SimDrive& drive : machine_.drives) {
    if (drive.volume.get() == &file.volume && drive.writeProtected) return win32_error::kWriteProtect;
  }
  // "If the file is encrypted, the handle must have the FILE_READ_DATA, FILE_WRITE_DATA,
  // FILE_APPEND_DATA, or FILE_EXECUTE access right" (MOVE_FILE_DATA, winioctl.h).
  constexpr uint32_t kDataAccess = win32::kGenericRead | win32::kGenericWrite | win32::kFileReadData |
                                   win32::kFileWriteData | win32::kFileAppendData | win32::kFileExecute;
  if ((file.entry->Attributes() & win32::kAttributeEncrypted) != 0 && (file.access & kDataAccess) == 0) {
    return win32_error::kAccessDenied;
  }
  for (MoveFault& fault : moveFaults_) {
    if (FoldName(fault.path) != FoldName(file.path)) continue;
    if (fault.skip > 0) {
      --fault.skip;
    } else if (fault.times > 0) {
      --fault.times;
      return fault.error;
    }
  }
  const uint32_t error =
      file.volume.MoveClusters(*file.entry, file.stream, startingVcn, int64_t{clusterCount}, startingLcn);
  if (error == win32_error::kSuccess) {
    ++moves_;
    clustersMoved_ += clusterCount;
  }
  if (verifyEveryMove_ && invariantFailure_.empty()) {
    std::string problem = file.volume.VerifyInvariants();
    if (!problem.empty()) invariantFailure_ = "after moving " + file.path + ": " + problem;
  }
  return error;
}

void SimPlatform::InjectMoveFailure(const std::string& path, uint32_t error, int afterMoves, int times) {
  moveFaults_.push_back({path, error, afterMoves, times});
}

void SimPlatform::LockFile(const std::string& path, SimLock lock) {
  uint32_t error = 0;
  if (path.size() < 3) return;
  if (SimEntry* entry = ResolveEntry(path[0], path.substr(3), 0, error)) entry->lock = lock;
}

uint32_t SimPlatform::ReadBitmap(SimVolume& volume, const void* input, uint32_t inputSize, uint8_t* output,
                                 uint32_t outputSize, uint32_t& bytesReturned) {
  const fs_driver::BitmapSource source{volume.TotalClusters(), volume.bitmapRounding, volume.IsNtfs(),
                                       [&volume](int64_t start, int64_t count, uint8_t* out) {
                                         volume.Bitmap().CopyBits(start, count, out);
                                       }};
  return fs_driver::AnswerVolumeBitmap(source, input, inputSize, output, outputSize, bytesReturned);
}

uint32_t SimPlatform::ReadRetrievalPointers(const SimStream& stream, const void* input, uint32_t inputSize,
                                            uint8_t* output, uint32_t outputSize, uint32_t& bytesReturned) {
  return fs_driver::AnswerRetrievalPointers(stream.runs, input, inputSize, output, outputSize, bytesReturned);
}

uint32_t SimPlatform::NtFsControlFile(OsHandle& handle, uint32_t code, void* output, uint32_t outputSize,
                                      uint32_t& information) {
  information = 0;
  auto& sim = static_cast<SimHandle&>(handle);
  if (code != win32::kFsctlGetNtfsVolumeData) return win32::kStatusInvalidDeviceRequest;
  if (sim.entry != nullptr) return win32::kStatusInvalidParameter;
  SimVolume& volume = sim.volume;
  if (!volume.IsNtfs()) return win32::kStatusInvalidDeviceRequest;
  if (outputSize < record::kNtfsVolumeDataSize) return win32::kStatusBufferTooSmall;
  auto* out = static_cast<uint8_t*>(output);
  std::memset(out, 0, record::kNtfsVolumeDataSize);
  const uint32_t clusterBytes = volume.BytesPerSector() * volume.SectorsPerCluster();
  const SimEntry* mft = volume.Root().Child("$MFT");
  const int64_t mftStart = mft != nullptr && !mft->streams[0].runs.empty() ? mft->streams[0].runs[0].lcn : 0;
  le::PutI64(out, 0x1234ABCD5678EF00);
  le::PutI64(out + 8, volume.TotalClusters() * volume.SectorsPerCluster());
  le::PutI64(out + 16, volume.TotalClusters());
  le::PutI64(out + 24, volume.FreeClusters());
  le::Put32(out + 40, volume.BytesPerSector());
  le::Put32(out + 44, clusterBytes);
  le::Put32(out + 48, 1024);
  le::Put32(out + 52, 1024 / clusterBytes);  // 0 when a cluster is larger than a record
  le::PutI64(out + 56, mft != nullptr ? mft->streams[0].AllocatedClusters() * clusterBytes : 0);
  le::PutI64(out + 64, mftStart);
  le::PutI64(out + 72, 2);
  le::PutI64(out + 80, volume.mftZoneStart);
  le::PutI64(out + 88, volume.mftZoneEnd);
  information = record::kNtfsVolumeDataSize;
  return win32::kStatusSuccess;
}

uint32_t SimPlatform::NtQueryInformationFile(OsHandle& handle, void* output, uint32_t length, uint32_t infoClass,
                                             uint32_t& information) {
  information = 0;
  auto& sim = static_cast<SimHandle&>(handle);
  if (infoClass == win32::kFileBasicInformation && sim.entry != nullptr) {
    // FILE_BASIC_INFORMATION: the times (none kept here) and the attributes, on every file system.
    if (length < record::kBasicInformationSize) return win32::kStatusInfoLengthMismatch;
    std::memset(output, 0, record::kBasicInformationSize);
    le::Put32(static_cast<uint8_t*>(output) + record::kBasicFileAttributes, sim.entry->Attributes());
    information = record::kBasicInformationSize;
    return win32::kStatusSuccess;
  }
  if (infoClass != win32::kFileStreamInformation || sim.entry == nullptr || !sim.volume.IsNtfs()) {
    return win32::kStatusInvalidParameter;
  }
  if (length < record::kStreamNameOffset) return win32::kStatusInfoLengthMismatch;
  std::vector<std::string> names;
  if (sim.entry->kind == SimEntryKind::File) names.push_back("::$DATA");  // directories have no unnamed data
  for (size_t s = 1; s < sim.entry->streams.size(); ++s) names.push_back(":" + sim.entry->streams[s].name + ":$DATA");

  auto* out = static_cast<uint8_t*>(output);
  std::memset(out, 0, length);
  size_t offset = 0;
  size_t previous = SIZE_MAX;
  for (const std::string& name : names) {
    const size_t size = record::kStreamNameOffset + 2 * name.size();
    if (offset + size > length) {
      information = static_cast<uint32_t>(offset);
      return win32::kStatusBufferOverflow;
    }
    if (previous != SIZE_MAX) le::Put32(out + previous, static_cast<uint32_t>(offset - previous));
    le::Put32(out + offset + 4, static_cast<uint32_t>(2 * name.size()));
    const SimStream* stream = name == "::$DATA" ? &sim.entry->streams[0] : nullptr;
    for (size_t s = 1; stream == nullptr && s < sim.entry->streams.size(); ++s) {
      if (":" + sim.entry->streams[s].name + ":$DATA" == name) stream = &sim.entry->streams[s];
    }
    const int64_t clusterBytes = int64_t{sim.volume.BytesPerSector()} * sim.volume.SectorsPerCluster();
    le::PutI64(out + offset + 8, static_cast<int64_t>(stream->content.size()));
    le::PutI64(out + offset + 16, stream->AllocatedClusters() * clusterBytes);
    for (size_t i = 0; i < name.size(); ++i) out[offset + record::kStreamNameOffset + 2 * i] = static_cast<uint8_t>(name[i]);
    previous = offset;
    offset += (size + 7) / 8 * 8;
  }
  information = static_cast<uint32_t>(std::min<size_t>(offset, length));
  return win32::kStatusSuccess;
}

std::unique_ptr<OsFindHandle> SimPlatform::FindFirst(const std::string& namedPattern, FindEntry& entry,
                                                     uint32_t& error) {
  error = 0;
  const std::optional<std::string> redirected = RedirectedPath(namedPattern);
  const std::string& pattern = redirected ? *redirected : namedPattern;
  // Shortcuts and folders of the shell live outside the simulated volumes.
  if (std::optional<std::string> listed = shell_.FirstListed(pattern)) {
    return fs_driver::StartListing(nullptr, nullptr, {FindEntry{0x20, 0, 0, *listed}}, entry, error);
  }
  const fs_driver::FindTarget target = fs_driver::ParseFindPattern(pattern);
  if (target.error != 0) {
    error = target.error;
    return nullptr;
  }
  SimEntry* directory = ResolveEntry(target.letter, target.below, 0, error);
  if (directory == nullptr) {
    if (error == win32_error::kFileNotFound) error = win32_error::kPathNotFound;
    return nullptr;
  }
  if (!directory->IsDirectoryLike()) {
    error = win32_error::kPathNotFound;
    return nullptr;
  }
  std::vector<FindEntry> children;
  for (const auto& child : directory->children) {
    if (!child->metadata) children.push_back(EntryInfo(*child, child->name));
  }
  if (directory->parent == nullptr) return fs_driver::StartListing(nullptr, nullptr, std::move(children), entry, error);
  const FindEntry self = EntryInfo(*directory, ".");
  const FindEntry parent = EntryInfo(*directory->parent, "..");
  return fs_driver::StartListing(&self, &parent, std::move(children), entry, error);
}

bool SimPlatform::FindNext(OsFindHandle& search, FindEntry& entry, uint32_t& error) {
  return fs_driver::NextListed(search, entry, error);
}

DiskFreeSpace SimPlatform::QueryDiskFreeSpace(const std::string& root) {
  DiskFreeSpace space;
  if (!IsDriveRoot(root)) {
    space.error = win32_error::kInvalidName;
    return space;
  }
  SimVolume* volume = Volume(root[0]);
  if (volume == nullptr) {
    space.error = DriveTypeOf(root.substr(0, 3)) == DriveType::NoRootDir ? win32_error::kPathNotFound
                                                                       : win32_error::kNotReady;
    return space;
  }
  if (diskFreeSpaceError_ != 0) {
    space.error = diskFreeSpaceError_;
    return space;
  }
  std::optional<fs_driver::QuotaClusters> quota;
  if (const SimDrive* drive = DriveOf(root.substr(0, 3)); drive != nullptr && drive->quota) {
    quota = fs_driver::QuotaClusters{drive->quota->limitClusters, drive->quota->usedClusters};
  }
  return fs_driver::AnswerDiskFreeSpace(volume->SectorsPerCluster(), volume->BytesPerSector(),
                                        volume->FreeClusters(), volume->TotalClusters(), quota);
}

VolumeInformation SimPlatform::QueryVolumeInformation(const std::string& root) {
  VolumeInformation info;
  SimVolume* volume = IsDriveRoot(root) ? Volume(root[0]) : nullptr;
  if (volume == nullptr) {
    info.error = IsDriveRoot(root) ? win32_error::kNotReady : win32_error::kInvalidName;
    return info;
  }
  info.label = volume->label;
  info.fileSystemName = volume->FileSystem();
  // As fastfat's FatQueryFsAttributeInfo answers for a write-protected medium.
  if (const SimDrive* drive = DriveOf(root.substr(0, 3)); drive != nullptr && drive->writeProtected) {
    info.fileSystemFlags |= win32::kReadOnlyVolume;
  }
  return info;
}

bool SimPlatform::GetInputState() {
  if (inputStates_.empty()) return false;
  const bool waiting = inputStates_.front();
  inputStates_.pop_front();
  return waiting;
}

void SimPlatform::QueueInputState(std::vector<bool> answers) {
  inputStates_.insert(inputStates_.end(), answers.begin(), answers.end());
}

void SimPlatform::InjectIoControlFailure(uint32_t code, int afterCalls, uint32_t error) {
  ioControlFaults_.push_back({code, afterCalls, error});
}

uint32_t SimPlatform::SetFilePointer(OsHandle& handle, int32_t distanceLow, int32_t distanceHigh) {
  return fs_driver::SetPosition(distanceLow, distanceHigh, static_cast<SimHandle&>(handle).position);
}

uint32_t SimPlatform::ReadFile(OsHandle& handle, void* buffer, uint32_t bytes, uint32_t& bytesRead) {
  auto& sim = static_cast<SimHandle&>(handle);
  bytesRead = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  if (sim.entry == nullptr) {
    // A volume reads in whole sectors; past the boot sector the simulated disk holds zeros.
    const uint32_t sector = sim.volume.BytesPerSector();
    if (!fs_driver::IsSectorAligned(sim.position, bytes, sector)) return win32_error::kInvalidParameter;
    const int64_t size = sim.volume.TotalClusters() * sim.volume.SectorsPerCluster() * sector;
    const int64_t available = std::max<int64_t>(0, std::min<int64_t>(bytes, size - sim.position));
    for (int64_t i = 0; i < available; ++i) {
      const int64_t at = sim.position + i;
      out[i] = at < static_cast<int64_t>(sim.volume.bootSector.size()) ? sim.volume.bootSector[static_cast<size_t>(at)] : 0;
    }
    bytesRead = static_cast<uint32_t>(available);
  } else {
    const std::vector<uint8_t>& content = sim.entry->streams[sim.stream].content;
    const int64_t available =
        std::max<int64_t>(0, std::min<int64_t>(bytes, static_cast<int64_t>(content.size()) - sim.position));
    if (available > 0) std::memcpy(out, content.data() + sim.position, static_cast<size_t>(available));
    bytesRead = static_cast<uint32_t>(available);
  }
  sim.position += bytesRead;
  return win32_error::kSuccess;
}

std::string SimPlatform::SystemCodePageToUtf8(const std::string& text) { return Latin1ToUtf8(text); }

}  // namespace tarvonel
