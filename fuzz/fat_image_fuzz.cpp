// FAT images from arbitrary bytes: the reader must refuse or read them without fault; on an
// image it accepts, an analysis and a Defrag through the image back end must leave a volume
// that reads back with every file it held unchanged.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "filesystems/cluster_run.h"
#include "filesystems/fat/fat_image.h"
#include "image_harness.h"
#include "open_volume.h"

namespace {

using namespace tarvonel;

// Every file's bytes, by path.
std::map<std::string, std::vector<uint8_t>> Contents(fat::FatImage& image) {
  std::map<std::string, std::vector<uint8_t>> files;
  std::vector<const fs::DirEntry*> pending{&image.Root()};
  const uint64_t clusterBytes = image.Geometry().ClusterBytes();
  while (!pending.empty()) {
    const fs::DirEntry* directory = pending.back();
    pending.pop_back();
    for (const fs::DirEntry& entry : directory->children) {
      if (entry.IsDirectory()) {
        pending.push_back(&entry);
        continue;
      }
      std::vector<uint8_t> bytes(static_cast<size_t>(entry.chain.size() * clusterBytes));
      fs::ForEachRun(entry.chain, SIZE_MAX, [&](fs::ClusterRun run, size_t done) {
        if (!image.Read(image.ClusterOffset(run.first), bytes.data() + done * clusterBytes, run.count * clusterBytes)) abort();
        return true;
      });
      bytes.resize(entry.size);
      files[entry.path] = std::move(bytes);
    }
  }
  return files;
}

const std::string& ImagePath() {
  static const std::string path = "/dev/shm/tarvonel-fuzz-" + std::to_string(getpid()) + ".img";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = ImagePath();
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::map<std::string, std::vector<uint8_t>> before;
  try {
    auto image = OpenFatImage(path);
    if (image->Geometry().dirty) return 0;  // a job refuses it, as it should
    before = Contents(*image);
  } catch (const fs::VolumeError&) {
    return 0;  // refused, with the problem named
  }
  {
    test::ImageHarness h(path, "/drv C: /d");
    h.program.Run();
    h.platform.CommitPendingMoves();
  }
  // Whatever the Defrag did, the volume must still be sound and every file as it was.
  std::unique_ptr<fat::FatImage> after;
  try {
    after = OpenFatImage(path);
  } catch (const fs::VolumeError& error) {
    std::fprintf(stderr, "the Defrag left an image the reader refuses: %s\n", error.what());
    abort();
  }
  if (Contents(*after) != before) {
    std::fprintf(stderr, "a file does not read back as it was before the Defrag\n");
    abort();
  }
  return 0;
}
