#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "filesystems/sector_source.h"

namespace tarvonel {

// Lets `allowed` writes through, then the power is gone: the next write is torn at its
// `tearAt`-th sector boundary (what lies before it reaches the medium; nothing when it has
// fewer), and every later write and flush fails. `writes` counts the writes let through;
// `boundaries`, when given, gets each write's count of sector boundaries inside it.
class CutStorage : public fs::VolumeStorage {
 public:
  CutStorage(std::unique_ptr<fs::VolumeStorage> inner, int allowed, int& writes, int tearAt = 1,
             std::vector<int>* boundaries = nullptr)
      : inner_(std::move(inner)), allowed_(allowed), writes_(writes), tearAt_(tearAt), boundaries_(boundaries) {}
  bool Read(uint64_t offset, void* buffer, size_t length) override { return inner_->Read(offset, buffer, length); }
  bool Write(uint64_t offset, const void* buffer, size_t length) override {
    if (writes_ > allowed_) return false;
    if (boundaries_ != nullptr && length > 0) {
      boundaries_->push_back(static_cast<int>((offset + length - 1) / kSector - offset / kSector));
    }
    if (writes_ == allowed_) {
      ++writes_;  // from here on nothing arrives
      const uint64_t boundary = (offset / kSector + static_cast<uint64_t>(tearAt_)) * kSector;
      if (offset + length > boundary) inner_->Write(offset, buffer, static_cast<size_t>(boundary - offset));
      return false;
    }
    ++writes_;
    return inner_->Write(offset, buffer, length);
  }
  bool Flush() override { return writes_ <= allowed_ && inner_->Flush(); }

 private:
  static constexpr uint64_t kSector = 512;
  std::unique_ptr<fs::VolumeStorage> inner_;
  int allowed_;
  int& writes_;
  int tearAt_;
  std::vector<int>* boundaries_;
};

// fsck.fat -n lines that a cut may leave: anything else is damage.
inline bool OnlyHarmlessFindings(const std::string& report) {
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line.starts_with("fsck.fat ") || line.starts_with("Reclaimed ") ||
        line == "FATs differ but appear to be intact." || line == "  Using first FAT." ||
        line == "Leaving filesystem unchanged." || line.find(" files, ") != std::string::npos) {
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace tarvonel
