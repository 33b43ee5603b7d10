#include "platform/sim/volume_generator.h"

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "platform/sim/json_fields.h"
#include "platform/sim/machine_error.h"
#include "platform/sim/sim_volume.h"
#include "platform/win32_codes.h"

namespace tarvonel {
namespace {

constexpr int64_t kFirstFreeLcn = 16;  // boot sector and friends lie before
const char* const kExtensions[] = {".dll", ".exe", ".dat", ".txt", ".jpg", ".log", ".sys", ".cab"};

// Hands out clusters from a cursor that moves forward over the volume, stepping over what is
// already used.
class ClusterCursor {
 public:
  ClusterCursor(const SimVolume& volume, int64_t start) : used_(volume.UsedRanges()), end_(volume.TotalClusters()), lcn_(start) {}

  // The LCN of `length` free clusters at or after the cursor; -1 when the volume is full.
  int64_t Take(int64_t length) {
    for (;;) {
      while (next_ < used_.size() && used_[next_].lcn + used_[next_].length <= lcn_) ++next_;
      if (next_ < used_.size() && used_[next_].lcn < lcn_ + length) {
        lcn_ = used_[next_].lcn + used_[next_].length;
        continue;
      }
      if (lcn_ + length > end_) return -1;
      const int64_t taken = lcn_;
      lcn_ += length;
      return taken;
    }
  }
  void Skip(int64_t clusters) { lcn_ = std::min(end_, lcn_ + clusters); }

 private:
  std::vector<SimRun> used_;
  size_t next_ = 0;
  int64_t end_;
  int64_t lcn_;
};

struct Piece {
  SimEntry* entry;
  size_t stream;
  int64_t length;
  bool fragment;
};

class Generator {
 public:
  Generator(SimVolume& volume, const GeneratorSettings& settings, const std::string& drive)
      : volume_(volume), settings_(settings), drive_(drive), random_(settings.seed) {}

  void Run() {
    if (volume_.IsNtfs()) PlaceMft();
    BuildDirectories();
    if (settings_.windowsFolder) BuildWindowsFolder();
    BuildFiles();
    LayOut();
  }

 private:
  int64_t Uniform(int64_t low, int64_t high) { return std::uniform_int_distribution<int64_t>(low, high)(random_); }
  bool Chance(int percent) { return Uniform(1, 100) <= percent; }

  SimEntry& AddEntry(SimEntry& parent, const std::string& name, SimEntryKind kind) {
    auto entry = std::make_unique<SimEntry>();
    entry->name = name;
    entry->kind = kind;
    entry->streams.emplace_back();
    return parent.AddChild(std::move(entry));
  }

  void PlaceMft() {
    const int64_t total = volume_.TotalClusters();
    const int64_t records = settings_.files + settings_.directories + 64;
    const int64_t mftClusters = std::max<int64_t>(16, records * 1024 / (volume_.BytesPerSector() * volume_.SectorsPerCluster()) + 1);
    const int64_t start = total / 16;
    if (start + mftClusters + total / 64 > total) throw MachineError("generate: the volume is too small for its MFT");
    SimEntry& mft = AddEntry(volume_.Root(), "$MFT", SimEntryKind::File);
    mft.metadata = true;
    mft.streams[0].runs.push_back({start, mftClusters});
    volume_.Claim(&mft, 0, 0, start, mftClusters);
    if (volume_.mftZoneEnd == 0) {
      volume_.mftZoneStart = start + mftClusters;
      volume_.mftZoneEnd = start + mftClusters + total / 64;
    }
  }

  void BuildDirectories() {
    directories_.push_back(&volume_.Root());
    for (int64_t i = 0; i < settings_.directories; ++i) {
      // Shallow trees, as on real disks: most folders hang near the top.
      SimEntry& parent = *directories_[static_cast<size_t>(Uniform(0, static_cast<int64_t>(directories_.size()) - 1) / 2)];
      SimEntry& directory = AddEntry(parent, "Folder" + std::to_string(i), SimEntryKind::Directory);
      directories_.push_back(&directory);
      // Small NTFS folders live inside their file record.
      if (!volume_.IsNtfs() || !Chance(30)) pieces_.push_back({&directory, 0, 1, false});
    }
  }

  void BuildWindowsFolder() {
    SimEntry& windows = AddEntry(volume_.Root(), "Windows", SimEntryKind::Directory);
    system32_ = &AddEntry(windows, "System32", SimEntryKind::Directory);
    prefetch_ = &AddEntry(windows, "Prefetch", SimEntryKind::Directory);
    for (SimEntry* directory : {&windows, system32_, prefetch_}) pieces_.push_back({directory, 0, 1, false});
    if (volume_.IsNtfs()) {
      SimEntry& pagefile = AddEntry(volume_.Root(), "pagefile.sys", SimEntryKind::File);
      pagefile.lock = SimLock::PagingFile;
      pieces_.push_back({&pagefile, 0, std::max<int64_t>(16, volume_.TotalClusters() / 100), false});
      SimEntry& hiberfil = AddEntry(volume_.Root(), "hiberfil.sys", SimEntryKind::File);
      hiberfil.lock = SimLock::Exclusive;
      pieces_.push_back({&hiberfil, 0, 8, false});
    }
  }

  int64_t FileClusters() {
    const int64_t roll = Uniform(1, 100);
    if (roll <= 70) return Uniform(1, 8);
    if (roll <= 95) return Uniform(9, 256);
    return Uniform(257, 4096);
  }

  void BuildFiles() {
    const int64_t budget = volume_.TotalClusters() * settings_.fillPercent / 100;
    std::vector<int64_t> sizes;
    int64_t sum = 0;
    for (int64_t i = 0; i < settings_.files; ++i) {
      sizes.push_back(FileClusters());
      sum += sizes.back();
    }
    // Scale the sizes down until the files fit the fill the settings ask for.
    const double scale = sum > budget && sum > 0 ? static_cast<double>(budget) / static_cast<double>(sum) : 1.0;
    std::vector<SimEntry*> dllTargets;
    for (int64_t i = 0; i < settings_.files; ++i) {
      const bool inSystem32 = system32_ != nullptr && i % 10 == 0;
      SimEntry& parent = inSystem32 ? *system32_ : *directories_[static_cast<size_t>(Uniform(0, static_cast<int64_t>(directories_.size()) - 1))];
      const char* extension = inSystem32 ? ".dll" : kExtensions[Uniform(0, 7)];
      SimEntry& file = AddEntry(parent, "file" + std::to_string(i) + extension, SimEntryKind::File);
      if (inSystem32 && dllTargets.size() < 200) dllTargets.push_back(&file);
      if (volume_.IsNtfs() && Chance(4)) continue;  // small enough to live in its file record
      const int64_t clusters = std::max<int64_t>(1, static_cast<int64_t>(static_cast<double>(sizes[static_cast<size_t>(i)]) * scale));
      if (volume_.IsNtfs() && Chance(1)) {
        file.streams.push_back(SimStream{"Zone.Identifier", {}, {}});
        pieces_.push_back({&file, 1, 1, false});
      }
      if (clusters > 1 && Chance(settings_.fragmentedPercent)) {
        const int64_t count = std::min<int64_t>(clusters, Uniform(2, std::max(2, settings_.maxFragments)));
        int64_t left = clusters;
        for (int64_t k = 0; k < count; ++k) {
          const int64_t length = k + 1 == count ? left : std::max<int64_t>(1, Uniform(1, left - (count - k - 1)));
          left -= length;
          fragments_.push_back({&file, 0, length, true});
        }
      } else {
        pieces_.push_back({&file, 0, clusters, false});
      }
    }
    if (prefetch_ != nullptr) BuildLayoutList(dllTargets);
  }

  void BuildLayoutList(const std::vector<SimEntry*>& targets) {
    std::string text = "[OptimalLayoutFile]\r\nVersion=1\r\n\r\n[SystemFiles]\r\n";
    for (const SimEntry* target : targets) text += drive_ + "\\" + target->PathBelowRoot() + "\r\n";
    SimEntry& layout = AddEntry(*prefetch_, "layout.ini", SimEntryKind::File);
    std::vector<uint8_t>& content = layout.streams[0].content;
    content = {0xFF, 0xFE};  // UTF-16 LE with a byte-order mark, as Windows writes it
    for (char c : text) {
      content.push_back(static_cast<uint8_t>(c));
      content.push_back(0);
    }
    const int64_t clusterBytes = int64_t{volume_.BytesPerSector()} * volume_.SectorsPerCluster();
    pieces_.push_back({&layout, 0, (static_cast<int64_t>(content.size()) + clusterBytes - 1) / clusterBytes, false});
  }

  void LayOut() {
    // Fragments are scattered among the other pieces: each gets a random place in the order.
    std::vector<std::pair<int64_t, Piece>> ordered;
    ordered.reserve(pieces_.size() + fragments_.size());
    const auto places = static_cast<int64_t>(pieces_.size());
    for (int64_t i = 0; i < places; ++i) ordered.emplace_back(2 * i, pieces_[static_cast<size_t>(i)]);
    for (const Piece& fragment : fragments_) ordered.emplace_back(2 * Uniform(0, places) - 1, fragment);
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    pieces_.clear();
    for (const auto& [place, piece] : ordered) pieces_.push_back(piece);
    int64_t needed = 0;
    int64_t gaps = 1;
    for (const Piece& piece : pieces_) {
      needed += piece.length;
      gaps += piece.fragment ? 100 : settings_.gapPercent;
    }
    gaps /= 100;
    int64_t available = volume_.TotalClusters() - kFirstFreeLcn;
    for (const SimRun& used : volume_.UsedRanges()) {
      available -= std::max<int64_t>(0, used.lcn + used.length - std::max(used.lcn, kFirstFreeLcn));
    }
    // The free space spreads over the gaps; a margin absorbs the luck of the draw.
    const int64_t spare = std::max<int64_t>(0, available - needed - volume_.TotalClusters() / 32);
    const int64_t maxGap = std::max<int64_t>(1, 2 * spare / std::max<int64_t>(1, gaps));
    int64_t gapBudget = spare;
    ClusterCursor cursor(volume_, kFirstFreeLcn);
    std::vector<int64_t> nextVcn;
    for (const Piece& piece : pieces_) {
      const int64_t lcn = cursor.Take(piece.length);
      if (lcn < 0) throw MachineError("generate: the files need more clusters than the volume has");
      SimStream& stream = piece.entry->streams[piece.stream];
      const int64_t vcn = stream.AllocatedClusters();
      stream.runs.push_back({lcn, piece.length});
      volume_.Claim(piece.entry, piece.stream, vcn, lcn, piece.length);
      // Pieces of one file should not touch, or they would read as one extent; the gaps
      // never spend more than the spare clusters, so every piece still fits.
      if (piece.fragment || Chance(settings_.gapPercent)) {
        const int64_t gap = std::min(Uniform(1, maxGap), gapBudget);
        cursor.Skip(gap);
        gapBudget -= gap;
      }
    }
  }

  SimVolume& volume_;
  const GeneratorSettings& settings_;
  std::string drive_;
  std::mt19937 random_;
  std::vector<SimEntry*> directories_;
  SimEntry* system32_ = nullptr;
  SimEntry* prefetch_ = nullptr;
  std::vector<Piece> pieces_;
  std::vector<Piece> fragments_;
};

}  // namespace

GeneratorSettings ReadGeneratorSettings(const JsonObject& object) {
  object.RejectUnknownKeys({"files", "directories", "fragmented_percent", "max_fragments", "fill_percent",
                            "gap_percent", "seed", "windows_folder"});
  GeneratorSettings settings;
  settings.files = object.Int64("files", settings.files, 0, 10'000'000);
  settings.directories = object.Int64("directories", settings.directories, 0, 1'000'000);
  settings.fragmentedPercent = static_cast<int>(object.Int64("fragmented_percent", settings.fragmentedPercent, 0, 100));
  settings.maxFragments = static_cast<int>(object.Int64("max_fragments", settings.maxFragments, 2, 10000));
  settings.fillPercent = static_cast<int>(object.Int64("fill_percent", settings.fillPercent, 1, 95));
  settings.gapPercent = static_cast<int>(object.Int64("gap_percent", settings.gapPercent, 0, 100));
  settings.seed = object.UInt32("seed", settings.seed);
  settings.windowsFolder = object.Bool("windows_folder", settings.windowsFolder);
  return settings;
}

void GenerateVolumeContent(SimVolume& volume, const GeneratorSettings& settings, const std::string& drive) {
  Generator(volume, settings, drive).Run();
}

}  // namespace tarvonel
