#include "stress/random_machine.h"

#include <algorithm>
#include <random>
#include <vector>

#include <nlohmann/json.hpp>

namespace tarvonel::stress {
namespace {

using Json = nlohmann::json;

class Builder {
 public:
  explicit Builder(uint64_t seed) : rng_(seed) {}

  std::string Build() {
    const char* systems[] = {"NTFS", "NTFS", "FAT32", "FAT"};
    fileSystem_ = systems[Pick(4)];
    const int64_t sizes[] = {40, 200, 1500, 12000, 80000};
    total_ = sizes[Pick(5)] + Pick(64);
    used_.assign(static_cast<size_t>(total_), false);
    Json volume = {{"file_system", fileSystem_}, {"total_clusters", total_},
                   {"sectors_per_cluster", 1 << Pick(4)}, {"bytes_per_sector", Pick(4) == 0 ? 4096 : 512}};
    const int64_t metadata = 1 + Pick(std::min<int64_t>(16, total_ / 8));
    Mark(0, metadata);
    Json metadataRuns = Json::array({Json::array({0, metadata})});
    if (Ntfs() && total_ > 400 && Pick(2) == 0) {
      const int64_t start = total_ / 4, length = std::max<int64_t>(1, total_ / 16);
      volume["mft_zone"] = Json::array({Json::array({start, length})});
      // The MFT itself, at the zone's start, as the engine places it.
      const std::vector<Json> mft = Allocate(std::min<int64_t>(length, 8), 1);
      if (!mft.empty()) entries_.push_back({{"name", "$MFT"}, {"metadata", true}, {"extents", mft}});
    }
    volume["metadata_clusters"] = metadataRuns;
    // How full, and how scattered the free space is left.
    const double fills[] = {0.1, 0.5, 0.85, 0.97, 1.0};
    fill_ = fills[Pick(5)];
    Json root = Json::array();
    const int folderCount = static_cast<int>(Pick(6));
    std::vector<Json> folderEntries;
    for (int i = 0; i < 2000 && UsedFraction() < fill_; ++i) {
      Json entry = RandomFile(i);
      if (entry.is_null()) break;
      if (folderCount > 0 && Pick(3) != 0) {
        const size_t folder = static_cast<size_t>(Pick(static_cast<uint64_t>(folderCount)));
        if (folderEntries.size() <= folder) folderEntries.resize(folder + 1, Json::array());
        folderEntries[folder].push_back(entry);
      } else {
        root.push_back(entry);
      }
    }
    // Folders, nested as a binary tree: folder i lies in folder (i - 1) / 2, folder 0 in the root.
    std::vector<Json> folders(folderEntries.size());
    for (size_t i = 0; i < folders.size(); ++i) {
      folders[i] = {{"name", "d" + std::to_string(i)}, {"type", "directory"}, {"entries", folderEntries[i]}};
      const std::vector<Json> index = Allocate(1, 1);
      if (!index.empty()) folders[i]["extents"] = index;
    }
    for (size_t i = folders.size(); i-- > 1;) folders[(i - 1) / 2]["entries"].push_back(folders[i]);
    if (!folders.empty()) root.push_back(folders[0]);
    for (Json& entry : entries_) root.push_back(entry);
    volume["entries"] = root;
    const Json machine = {{"os", {{"windows_directory", "C:\\Windows"}}},
                          {"drives", Json::array({{{"letter", "C"}, {"volume", volume}}})}};
    return machine.dump(1);
  }

 private:
  bool Ntfs() const { return fileSystem_ == "NTFS"; }
  uint64_t Pick(uint64_t n) { return n == 0 ? 0 : std::uniform_int_distribution<uint64_t>(0, n - 1)(rng_); }
  double UsedFraction() const { return static_cast<double>(usedCount_) / static_cast<double>(total_); }

  void Mark(int64_t lcn, int64_t length) {
    for (int64_t c = lcn; c < lcn + length; ++c) {
      if (!used_[static_cast<size_t>(c)]) ++usedCount_;
      used_[static_cast<size_t>(c)] = true;
    }
  }

  // `clusters` in up to `pieces` runs, each begun at a random free cluster; fewer clusters
  // when the volume runs out. Empty when nothing is free.
  std::vector<Json> Allocate(int64_t clusters, int64_t pieces) {
    std::vector<Json> runs;
    int64_t left = clusters;
    for (int64_t piece = 0; piece < pieces && left > 0; ++piece) {
      const int64_t want = piece + 1 == pieces ? left : std::max<int64_t>(1, left / (pieces - piece));
      int64_t at = static_cast<int64_t>(Pick(static_cast<uint64_t>(total_)));
      int64_t scanned = 0;
      while (scanned < total_ && used_[static_cast<size_t>(at)]) at = (at + 1) % total_, ++scanned;
      if (scanned == total_) break;
      int64_t length = 0;
      while (length < want && at + length < total_ && !used_[static_cast<size_t>(at + length)]) ++length;
      Mark(at, length);
      runs.push_back(Json::array({at, length}));
      left -= length;
    }
    return runs;
  }

  Json RandomFile(int i) {
    Json file = {{"name", "f" + std::to_string(i) + (Pick(4) == 0 ? ".tmp" : ".dat")}};
    if (Ntfs() && Pick(12) == 0) {
      file["resident"] = true;
      return file;
    }
    const int64_t largest = std::max<int64_t>(1, total_ / (Pick(3) == 0 ? 6 : 60));
    const int64_t clusters = 1 + static_cast<int64_t>(Pick(static_cast<uint64_t>(largest)));
    const int64_t pieces = Pick(3) == 0 ? 1 + static_cast<int64_t>(Pick(6)) : 1;
    std::vector<Json> runs = Allocate(clusters, pieces);
    if (runs.empty()) return nullptr;
    if (Ntfs() && Pick(10) == 0) {
      // Sparse: a hole before the data; compressed: a virtual tail after it.
      const bool sparse = Pick(2) == 0;
      file[sparse ? "sparse" : "compressed"] = true;
      if (sparse) runs.insert(runs.begin(), Json::array({-1, 1 + Pick(32)}));
      else runs.push_back(Json::array({-1, 1 + Pick(15)}));
    }
    file["extents"] = runs;
    if (Ntfs() && Pick(10) == 0) {
      const std::vector<Json> stream = Allocate(1 + static_cast<int64_t>(Pick(4)), 1 + static_cast<int64_t>(Pick(2)));
      if (!stream.empty()) file["streams"] = Json::array({{{"name", "s"}, {"extents", stream}}});
    }
    const uint64_t lock = Pick(25);
    if (lock == 0) file["in_use"] = "exclusive";
    if (lock == 1) file["in_use"] = "paging_file";
    return file;
  }

  std::mt19937_64 rng_;
  std::string fileSystem_;
  int64_t total_ = 0;
  double fill_ = 0;
  std::vector<bool> used_;
  int64_t usedCount_ = 0;
  std::vector<Json> entries_;
};

}  // namespace

std::string RandomMachineJson(uint64_t seed) { return Builder(seed).Build(); }

}  // namespace tarvonel::stress
