// How Windows reads the paths the engine opens and searches, for every back end.
#include "platform/fs_driver/paths.h"

#include "base/win32_errors.h"

namespace tarvonel::fs_driver {
namespace {

constexpr size_t kMaxPath = 260;

// Windows normalises a plain path before it looks anything up: each name loses its trailing
// dots and spaces, so a folder whose name ends in one cannot be reached that way.
std::string TrimmedAsPlainPath(const std::string& pathBelowRoot) {
  std::string trimmed;
  size_t start = 0;
  while (start <= pathBelowRoot.size()) {
    size_t end = pathBelowRoot.find('\\', start);
    if (end == std::string::npos) end = pathBelowRoot.size();
    std::string part = pathBelowRoot.substr(start, end - start);
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    trimmed += part;
    if (end < pathBelowRoot.size()) trimmed += '\\';
    start = end + 1;
  }
  return trimmed;
}

}  // namespace

OpenTarget ParseOpenPath(const std::string& path) {
  OpenTarget target;
  if (path.size() == 6 && path.starts_with("\\\\.\\") && path[5] == ':') {
    target.kind = OpenTarget::Kind::Volume;
    target.letter = path[4];
    return target;
  }
  if (!path.starts_with("\\\\?\\") || path.size() < 7 || path[5] != ':' || path[6] != '\\') return target;
  target.kind = OpenTarget::Kind::Entry;
  target.letter = path[4];
  target.below = path.substr(7);
  const size_t lastPart = target.below.rfind('\\');
  const size_t colon = target.below.find(':', lastPart == std::string::npos ? 0 : lastPart);
  if (colon != std::string::npos) {
    target.named = true;
    target.stream = target.below.substr(colon + 1);
    if (target.stream.ends_with(":$DATA")) target.stream.resize(target.stream.size() - 6);
    target.below.resize(colon);
  }
  return target;
}

FindTarget ParseFindPattern(const std::string& pattern) {
  FindTarget target;
  const bool longForm = pattern.starts_with("\\\\?\\");
  const std::string path = longForm ? pattern.substr(4) : pattern;
  // A plain path holds at most MAX_PATH characters with its NUL.
  if (!longForm && path.size() >= kMaxPath) {
    target.error = win32_error::kFilenameExcedRange;
    return target;
  }
  if (path.size() < 4 || !path.ends_with("\\*") || path[1] != ':' || path[2] != '\\') {
    target.error = win32_error::kFileNotFound;
    return target;
  }
  target.letter = path[0];
  target.below = path.substr(3, path.size() - 4);
  if (!longForm) target.below = TrimmedAsPlainPath(target.below);
  return target;
}

bool IsDriveRoot(const std::string& text) { return text.size() == 3 && text[1] == ':' && text[2] == '\\'; }

std::unique_ptr<OsFindHandle> StartListing(const FindEntry* self, const FindEntry* parent,
                                           std::vector<FindEntry> children, FindEntry& first, uint32_t& error) {
  auto search = std::make_unique<Listing>();
  if (self != nullptr && parent != nullptr) {
    search->entries.push_back(*self);
    search->entries.back().name = ".";
    search->entries.push_back(*parent);
    search->entries.back().name = "..";
  }
  for (FindEntry& child : children) search->entries.push_back(std::move(child));
  if (search->entries.empty()) {
    error = win32_error::kFileNotFound;
    return nullptr;
  }
  error = 0;
  first = search->entries[search->next++];
  return search;
}

bool NextListed(OsFindHandle& search, FindEntry& entry, uint32_t& error) {
  auto& listing = static_cast<Listing&>(search);
  if (listing.next >= listing.entries.size()) {
    error = win32_error::kNoMoreFiles;
    return false;
  }
  entry = listing.entries[listing.next++];
  error = 0;
  return true;
}

}  // namespace tarvonel::fs_driver
