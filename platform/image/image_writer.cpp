#include "platform/image/image_writer.h"

#include "base/ascii.h"
#include "platform/image/chain_mover.h"
#include "platform/image/fat_image.h"
#include "platform/image/volume_storage.h"
#include "platform/win32_errors.h"

namespace tarvonel::fat {
namespace {

using win32_error::kFileNotFound;
using win32_error::kWriteProtect;

DirEntry* FindEntry(DirEntry& directory, const std::string& pathBelowRoot) {
  DirEntry* at = &directory;
  size_t start = 0;
  while (at != nullptr && start < pathBelowRoot.size()) {
    size_t end = pathBelowRoot.find('\\', start);
    if (end == std::string::npos) end = pathBelowRoot.size();
    const std::string part = AsciiLower(pathBelowRoot.substr(start, end - start));
    DirEntry* next = nullptr;
    for (DirEntry& child : at->children) {
      if (AsciiLower(child.name) == part) next = &child;
    }
    at = next;
    start = end + 1;
  }
  return at;
}

}  // namespace

ImageWriter::ImageWriter(std::string path, SystemTables tables, StorageOpener open)
    : path_(std::move(path)), tables_(std::move(tables)), open_(std::move(open)) {
  if (!open_) open_ = [](const std::string& file) { return std::make_unique<FileStorage>(file); };
}

ImageWriter::~ImageWriter() = default;

bool ImageWriter::OpenForWriting() {
  if (mover_) return true;
  if (!refusal_.empty()) return false;
  // A mounted volume changes under us: never write to one.
  refusal_ = InUseReason(path_, tables_);
  if (!refusal_.empty()) return false;
  try {
    storage_ = open_(path_);
    image_ = FatImage::Open(path_);
  } catch (const ImageError& error) {
    refusal_ = error.what();
    return false;
  }
  mover_ = std::make_unique<ChainMover>(*image_, *storage_);
  return true;
}

uint32_t ImageWriter::Move(const std::string& pathBelowRoot, int64_t vcn, int64_t lcn, uint32_t count) {
  if (diverged_ || !OpenForWriting()) return kWriteProtect;
  if (vcn < 0 || lcn < 0 || vcn > UINT32_MAX || lcn > UINT32_MAX) return 87;
  DirEntry* entry = FindEntry(const_cast<DirEntry&>(image_->Root()), pathBelowRoot);
  if (entry == nullptr) return kFileNotFound;
  const uint32_t result = mover_->MoveClusters(*entry, static_cast<uint32_t>(vcn), static_cast<uint32_t>(lcn), count);
  // Refused moves change nothing; a write that failed part-way leaves the image sound but
  // no longer as the drive's picture of it says.
  if (result != win32_error::kSuccess && result != win32_error::kInvalidParameter) {
    diverged_ = true;
    refusal_ = path_ + ": a move failed part-way (error " + std::to_string(result) + "); no further moves are made";
  }
  return result;
}

}  // namespace tarvonel::fat
