#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "volume/walk_progress.h"

namespace tarvonel {

class BootLayoutReader;
class Catalogue;
class ExtentReader;
class JobEvents;
struct ExtentList;
struct FragmentedFiles;
struct JobFlags;
struct JobSettings;
struct VolumeGeometry;

struct AnalysisStats {
  int32_t FileCount = 0;
  int32_t DirectoryCount = 0;
  int32_t UnreadableCount = 0;
  int32_t FreeClusters = 0;
  int32_t TotalClusters = 0;
  int32_t FreePercent = 0;
  int32_t FragmentedFileCount = 0;
  int32_t FragmentTotal = 0;
  int32_t MaxFragments = 0;
  int32_t MoveOutCount = 0;
  int32_t OptimizeCount = 0;
  int32_t DirsToMoveCount = 0;
  int32_t PrefetchCount = 0;
};

// What the analysis shows in the job window and the details window, beyond the job's events.
class AnalysisDisplay : public WalkProgress {
 public:
  virtual void SetStatisticsLabels(const std::array<std::string, 6>& texts) = 0;
  // "[n]" counters, or "N/A" for the two placement rows when the lists are not complete.
  virtual void SetDetailsCounters(const std::string& defrag, const std::string& optimize, const std::string& sysArea,
                                  bool listsComplete) = 0;
  // Shows the marks painted since the last refresh.
  virtual void ShowNewMarks() = 0;
};

// The analysis of the job's target: fragment counts, the sorted fragmented-files list, the
// statistics, the boot layout list when placement lists are collected, and the report block.
class Analysis {
 public:
  struct Parts {
    JobEvents& events;
    const JobSettings& settings;
    JobFlags& flags;
    const VolumeGeometry& geometry;
    ExtentReader& extents;
    Catalogue& catalogue;
    BootLayoutReader& bootLayout;
    const std::string& exclusionText;  // the main window's exclusion box
    FragmentedFiles& fragmented;
    AnalysisDisplay& display;
  };
  explicit Analysis(Parts parts);

  void AnalyzeFiles();

  // Physically adjacent runs count as one fragment on NTFS; one virtual run between two runs
  // is looked across. Yields at every round.
  int32_t CountFragments(const ExtentList& list);
  // "*" + the upper-cased tail from the last "." occurs in the upper-cased exclusion text.
  bool Excluded(const std::string& path) const;
  // Sorts FragmentedFiles by count text, byte order, names moving with their counts.
  void Quicksort(int32_t min, int32_t max);

  AnalysisStats Stats;

 private:
  void ShowResults();
  void AppendReport();
  // In [0, 1): where in the range the sort takes its pivot.
  double NextPivotFraction();

  // Every sort starts from this seed: the pivots, and so the order of equal counts, are the
  // same for the same volume in every run and every front end.
  static constexpr uint64_t kPivotSeed = 20260101;
  Parts p_;
  uint64_t pivotState_ = kPivotSeed;
};

}  // namespace tarvonel
