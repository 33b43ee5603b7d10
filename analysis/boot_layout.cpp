#include "analysis/boot_layout.h"

#include <vector>

#include "base/text_encoding.h"
#include "platform/os_facts.h"
#include "platform/volume_io.h"
#include "platform/win32_codes.h"
#include "volume/extents.h"
#include "volume/file_open.h"
#include "volume/job_events.h"

namespace tarvonel {
namespace {

constexpr uint32_t kReadChunk = 65536;
constexpr size_t kLargestLayout = 16u << 20;  // far above any real list; a larger file is cut

}  // namespace

BootLayoutReader::BootLayoutReader(VolumeIo& io, OsFacts& os, JobEvents& events, ExtentReader& extents,
                                   const std::string& prefetchDir)
    : io_(io), os_(os), events_(events), extents_(extents), prefetchDir_(prefetchDir) {}

std::string BootLayoutReader::ReadLayoutText() {
  OpenResult opened = io_.OpenPath(kLongPathPrefix + prefetchDir_ + "\\layout.ini", win32::kGenericRead,
                                         win32::kFileShareReadWrite, 0);
  if (!opened.handle) return {};
  std::string bytes;
  std::vector<char> chunk(kReadChunk);
  for (;;) {
    uint32_t read = 0;
    if (io_.ReadFile(*opened.handle, chunk.data(), kReadChunk, read) != 0 || read == 0) break;
    bytes.append(chunk.data(), read);
    if (bytes.size() >= kLargestLayout) break;
  }
  // Windows writes the list in UTF-16 with a byte-order mark; read as 8-bit text it would
  // yield no path at all.
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE) {
    return Utf16LeToUtf8(reinterpret_cast<const uint8_t*>(bytes.data()) + 2, (bytes.size() - 2) / 2);
  }
  return os_.SystemCodePageToUtf8(bytes);
}

std::vector<std::string> BootLayoutReader::SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

void BootLayoutReader::ReadBootLayout(const std::string& driveRoot, std::vector<std::string>& prefetchFiles) {
  if (prefetchDir_.compare(0, 2, driveRoot, 0, 2) != 0) return;
  for (const std::string& line : SplitLines(ReadLayoutText())) {
    if (line.compare(0, 2, prefetchDir_, 0, 2) == 0 && line.size() >= 2) {
      const std::string path = TrimAtNul(line);
      if (extents_.ReadExtents(path, true, true).Opened && extents_.FirstLcn(path) > 0) {
        prefetchFiles.push_back(path);
      }
    }
    events_.YieldToUser();
  }
}

}  // namespace tarvonel
