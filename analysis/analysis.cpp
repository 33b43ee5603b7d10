#include "analysis/analysis.h"

#include <algorithm>
#include <utility>

#include "analysis/boot_layout.h"
#include "analysis/fragmented_files.h"
#include "base/ascii.h"
#include "base/debug_log.h"
#include "base/job_flags.h"
#include "base/job_settings.h"
#include "base/map_colours.h"
#include "base/numeric.h"
#include "volume/catalogue.h"
#include "volume/extents.h"
#include "volume/job_events.h"
#include "volume/volume_access.h"

namespace tarvonel {
namespace {

std::string Line(const std::string& text) { return text + std::string(kCrLf); }

}  // namespace

Analysis::Analysis(Parts parts) : p_(parts) {}

double Analysis::NextPivotFraction() {
  // SplitMix64: plain integer arithmetic, so the same seed picks the same pivots with every
  // compiler and library, and the same volume always gets the same list and the same moves.
  pivotState_ += 0x9E3779B97F4A7C15u;
  uint64_t z = pivotState_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) / 9007199254740992.0;  // 53 bits: exactly in [0, 1)
}

bool Analysis::Excluded(const std::string& path) const {
  if (p_.exclusionText.empty() || path.empty()) return false;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  return AsciiUpper(p_.exclusionText).find("*" + AsciiUpper(path.substr(dot))) != std::string::npos;
}

int32_t Analysis::CountFragments(const ExtentList& list) {
  const auto n = static_cast<int32_t>(list.Extents.size());
  if (p_.geometry.FileSystemName != "NTFS" || n <= 1) return n;
  const auto lcn = [&](int32_t k) { return list.Extents[static_cast<size_t>(k)].Lcn; };
  const auto length = [&](int32_t k) {
    return list.Extents[static_cast<size_t>(k)].NextVcn - (k == 0 ? 0 : list.Extents[static_cast<size_t>(k - 1)].NextVcn);
  };
  int32_t fragments = 1;
  int32_t k = 0;
  for (;;) {
    p_.events.YieldToUser();
    if (k == 0 && lcn(0) == -1) break;
    if (k > n - 1) break;
    const int64_t end = lcn(k) + length(k);
    ++k;
    if (k > n - 1) break;
    if (lcn(k) == -1) {
      ++k;
      if (k > n - 1) break;
    }
    if (end != lcn(k)) ++fragments;
  }
  return fragments;
}

void Analysis::Quicksort(int32_t min, int32_t max) {
  // A random pivot and a three-way split: runs of equal counts (most fragmented files have
  // "2") end in one step instead of one level each, so neither time nor depth grows with them.
  // The smaller side recurses, the larger one loops: the depth stays logarithmic.
  std::vector<std::string>& counts = p_.fragmented.counts;
  while (min < max) {
    p_.events.YieldToUser();
    const auto pick = static_cast<int32_t>((max - min + 1) * NextPivotFraction() + min);
    const std::string pivot = counts[static_cast<size_t>(std::clamp(pick, min, max))];
    int32_t below = min;  // [min, below) < pivot
    int32_t at = min;     // [below, at) == pivot
    int32_t above = max;  // (above, max] > pivot
    while (at <= above) {
      const int order = counts[static_cast<size_t>(at)].compare(pivot);
      if (order < 0) {
        p_.fragmented.Swap(static_cast<size_t>(below++), static_cast<size_t>(at++));
      } else if (order > 0) {
        p_.fragmented.Swap(static_cast<size_t>(at), static_cast<size_t>(above--));
      } else {
        ++at;
      }
    }
    if (below - min < max - above) {
      Quicksort(min, below - 1);
      min = above + 1;
    } else {
      Quicksort(above + 1, max);
      max = below - 1;
    }
  }
}

void Analysis::AnalyzeFiles() {
  JobEvents& events = p_.events;
  events.SetProgressMaximum(1);
  events.SetProgress(0);
  p_.extents.UnreadableCount = 0;
  p_.flags.AnalysisValid = false;
  p_.flags.CatalogueComplete = false;
  p_.fragmented.Reset();
  Stats = AnalysisStats{};
  const std::string volume = p_.settings.DriveRoot.substr(0, 3);
  events.SetTitle("Enumerating files on volume " + volume);
  p_.events.YieldToUser();

  const std::string drive = p_.settings.DriveRoot.substr(0, 2);
  const std::string root = p_.settings.Directory.empty() ? drive + "\\" : drive + "\\" + p_.settings.Directory + "\\";
  const std::vector<ExtentList> lists = p_.catalogue.ReadFragmentedExtents(root, p_.display);
  if (p_.flags.StopRequested) {
    events.SetProgress(0);
    return;
  }
  events.SetProgressMaximum(static_cast<int32_t>(lists.size()));
  events.SetProgress(0);
  p_.fragmented.Reset();
  events.SetTitle("Analyzing files on volume " + volume);

  for (size_t i = 0; i < lists.size(); ++i) {
    const ExtentList& list = lists[i];
    const bool included = !Excluded(list.Path);
    if (p_.flags.StopRequested) return;
    if (events.Progress() < static_cast<int32_t>(i)) events.SetProgress(static_cast<int32_t>(i));
    p_.events.YieldToUser();
    const int32_t fragments = CountFragments(list);
    if (fragments <= 1 || !included) continue;
    if (!list.Path.empty() && list.Opened) {
      ++Stats.FragmentedFileCount;
      if (!p_.flags.CollectPlacementLists) {
        // The first real cluster: a virtual first run has no place on the map.
        for (const Extent& extent : list.Extents) {
          if (extent.Lcn < 0) continue;
          events.MarkCluster(static_cast<int32_t>(extent.Lcn), map_colour::kFragmented);
          break;
        }
        p_.display.ShowNewMarks();
      }
      p_.fragmented.Append(list.Path, std::to_string(list.ExtentCount));
      if (p_.settings.DebugLog) {
        events.Log(Line("fragged: " + list.Path + ", fragments: " + std::to_string(fragments)));
      }
    }
    Stats.FragmentTotal += fragments;
    Stats.MaxFragments = std::max(Stats.MaxFragments, fragments);
  }
  pivotState_ = kPivotSeed;
  Quicksort(0, static_cast<int32_t>(p_.fragmented.counts.size()) - 1);
  // The walk's own count of the boot list stays 0: the reader fills the list after it.
  Stats.PrefetchCount = 0;
  if (p_.flags.CollectPlacementLists) {
    p_.bootLayout.ReadBootLayout(p_.settings.DriveRoot, p_.catalogue.Lists.prefetch_files);
  }
  ShowResults();
  events.SetTitle("Volume " + volume);
  if (p_.settings.DebugLog) AppendReport();
}

void Analysis::ShowResults() {
  const PlacementLists& lists = p_.catalogue.Lists;
  Stats.FileCount = p_.catalogue.FileCount;
  Stats.DirectoryCount = p_.catalogue.DirectoryCount;
  Stats.UnreadableCount = p_.extents.UnreadableCount;
  Stats.FreeClusters = p_.geometry.FreeClusters;
  Stats.TotalClusters = p_.geometry.TotalClusters;
  Stats.FreePercent = Stats.TotalClusters > 0 ? RoundHalfEven(Stats.FreeClusters / (Stats.TotalClusters / 100.0)) : 0;
  Stats.MoveOutCount = static_cast<int32_t>(lists.move_out_files.size());
  Stats.OptimizeCount = static_cast<int32_t>(lists.optimize_files.size());
  Stats.DirsToMoveCount = static_cast<int32_t>(lists.dirs_to_move.size());
  p_.display.SetStatisticsLabels({
      "files: " + std::to_string(Stats.FileCount),
      "dirs: " + std::to_string(Stats.DirectoryCount),
      "free: " + std::to_string(Stats.FreeClusters) + " (" + std::to_string(Stats.FreePercent) + "%)",
      "fragmented: " + std::to_string(Stats.FragmentedFileCount),
      "fragments: " + std::to_string(Stats.FragmentTotal),
      "max/file: " + std::to_string(Stats.MaxFragments),
  });
  // The counters show how many entries each list holds.
  const auto bracket = [](size_t count) { return "[" + std::to_string(count) + "]"; };
  p_.display.SetDetailsCounters(bracket(static_cast<size_t>(Stats.FragmentedFileCount)),
                                bracket(lists.optimize_files.size()),
                                bracket(lists.dirs_to_move.size() + lists.prefetch_files.size()),
                                p_.flags.CatalogueComplete);
}

void Analysis::AppendReport() {
  p_.events.Log(Line("total files   : " + std::to_string(Stats.FileCount)) +
                          Line("total dirs    : " + std::to_string(Stats.DirectoryCount)) +
                          Line("fragged       : " + std::to_string(Stats.FragmentedFileCount)) +
                          Line("move_out_files: " + std::to_string(Stats.MoveOutCount)) +
                          Line("optimize_files: " + std::to_string(Stats.OptimizeCount)) +
                          Line("dirs_to_move  : " + std::to_string(Stats.DirsToMoveCount)) +
                          Line("prefetch_files: " + std::to_string(Stats.PrefetchCount)) +
                          Line("locked  _files: " + std::to_string(Stats.UnreadableCount)) +
                          Line(std::string(46, '*')));
}

}  // namespace tarvonel
