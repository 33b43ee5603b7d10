// The boot layout list: any bytes as layout.ini (8-bit or UTF-16 with its mark), read as the
// Optimize reads it, on a volume where some listed files exist.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/boot_layout.h"
#include "base/job_settings.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "platform/system_error_text.h"
#include "recording_events.h"
#include "volume/extents.h"

namespace {

using namespace tarvonel;

const char* const kMachine = R"({"os": {"windows_directory": "C:\\Windows"}, "drives": [{"letter": "C", "volume": {
  "total_clusters": 4096, "entries": [
    {"name": "Windows", "type": "directory", "extents": [[10, 1]], "entries": [
      {"name": "Prefetch", "type": "directory", "extents": [[11, 1]], "entries": [
        {"name": "layout.ini", "extents": [[12, 1]]}]},
      {"name": "notepad.exe", "extents": [[100, 4], [200, 4]]}]},
    {"name": "a", "extents": [[300, 2]]}]}}]})";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SimPlatform machine(ParseMachine(kMachine));
  bool missingParent = false;
  SimEntry* layout = machine.Volume('C')->Find("Windows\\Prefetch\\layout.ini", missingParent);
  layout->streams[0].content.assign(data, data + size);
  const std::string text(reinterpret_cast<const char*>(data), size);
  BootLayoutReader::SplitLines(text);

  JobSettings settings;
  test::RecordingEvents events;
  SystemErrorText errorText(machine, {});
  ExtentReader extents(machine, settings, events, errorText);
  const std::string prefetchDir = "C:\\Windows\\Prefetch";
  BootLayoutReader reader(machine, machine, events, extents, prefetchDir);
  std::vector<std::string> files;
  reader.ReadBootLayout("C:\\", files);
  return 0;
}
