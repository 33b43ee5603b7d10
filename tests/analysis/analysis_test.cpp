#include "analysis/analysis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "analysis/boot_layout.h"
#include "analysis/fragmented_files.h"
#include "base/job_flags.h"
#include "base/map_colours.h"
#include "test_harness.h"
#include "volume/catalogue.h"
#include "volume/volume_access.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using test::MachineWithVolume;
using test::ProgramHarness;

// 1000 clusters, 125 free: 875 used by the metadata and the files below.
const char* const kVolume = R"({"total_clusters": 1000, "metadata_clusters": [[0, 100], [600, 240]], "entries": [
  {"name": "adjacent.dat", "extents": [[100, 4], [104, 4]]},
  {"name": "three.dat", "extents": [[200, 2], [300, 2], [400, 2]]},
  {"name": "two.dat", "extents": [[210, 2], [310, 2]]},
  {"name": "skip.TMP", "extents": [[220, 2], [320, 2]]},
  {"name": "Sub", "type": "directory", "extents": [[500, 1]], "entries": [
    {"name": "deep.dat", "extents": [[510, 2], [520, 2]]}
  ]},
  {"name": "fill", "extents": [[900, 100]]},
  {"name": "more", "extents": [[108, 92], [230, 70], [330, 70], [430, 70], [530, 70], [840, 36]]}
]})";

struct AnalysisCase {
  explicit AnalysisCase(const std::string& volume = kVolume) : h(MachineWithVolume(volume)) {
    h.program.Run();
    h.program.Settings().DebugLog = true;
  }
  JobWindow& jobs() { return h.program.Jobs(); }
  std::vector<std::string> Labels() {
    std::vector<std::string> texts;
    for (const Label& label : jobs().LblStats) texts.push_back(label.Caption());
    return texts;
  }
  ProgramHarness h;
};

ExtentList Runs(std::initializer_list<Extent> extents) {
  ExtentList list;
  list.Extents = extents;
  list.ExtentCount = static_cast<int32_t>(list.Extents.size());
  list.Opened = true;
  return list;
}

// What the analysis shows beyond its events, recorded.
class RecordingDisplay : public AnalysisDisplay {
 public:
  void StartWalkCounters() override {}
  void StopWalkCounters() override {}
  void SetStatisticsLabels(const std::array<std::string, 6>& texts) override { labels = texts; }
  void SetDetailsCounters(const std::string&, const std::string&, const std::string&, bool) override {}
  void ShowNewMarks() override { ++markRefreshes; }
  std::array<std::string, 6> labels;
  int markRefreshes = 0;
};

// The analysis built from its parts on a simulated volume, without a program or a window.
struct AnalysisParts {
  explicit AnalysisParts(const std::string& volume = kVolume) : f(MachineWithVolume(volume)) {
    access.SelectDrive("C:\\");
    f.settings.DriveRoot = "C:\\";
    geometry.FileSystemName = f.platform.QueryVolumeInformation("C:\\").fileSystemName;
  }
  test::VolumeFixture f;
  VolumeAccess access{f.platform};
  VolumeGeometry& geometry = access.Geometry();
  JobFlags flags;
  VolumeZones zones;
  std::string prefetchDir = "C:\\Windows\\Prefetch";
  Catalogue catalogue{f.platform, f.events, f.extents, flags, geometry, zones, prefetchDir};
  BootLayoutReader bootLayout{f.platform, f.platform, f.events, f.extents, prefetchDir};
  std::string exclusionText;
  FragmentedFiles fragmented;
  RecordingDisplay display;
  Analysis analysis{{f.events, f.settings, flags, geometry, f.extents, catalogue, bootLayout, exclusionText, fragmented,
                     display}};
};

TEST(AnalysisFragments, NtfsLooksAcrossAdjacentAndVirtualRuns) {
  AnalysisParts c;
  Analysis& analysis = c.analysis;
  ASSERT_EQ(c.geometry.FileSystemName, "NTFS");
  EXPECT_EQ(analysis.CountFragments(Runs({{4, 100}, {8, 104}})), 1) << "the second run starts where the first ends";
  EXPECT_EQ(analysis.CountFragments(Runs({{4, 100}, {8, 200}, {12, 204}})), 2);
  EXPECT_EQ(analysis.CountFragments(Runs({{10, 100}, {16, -1}, {26, 110}, {32, -1}})), 1)
      << "compression units whose real runs touch";
  EXPECT_EQ(analysis.CountFragments(Runs({{5, -1}, {8, 300}, {9, 900}})), 1) << "a virtual first run ends the count";
  EXPECT_EQ(analysis.CountFragments(Runs({{4, 100}})), 1);
  EXPECT_EQ(analysis.CountFragments(Runs({})), 0);
  EXPECT_GT(c.f.events.yields, 0) << "the count yields at every round";
  c.geometry.FileSystemName = "FAT32";
  EXPECT_EQ(analysis.CountFragments(Runs({{4, 100}, {8, 104}})), 2) << "FAT counts every run";
}

TEST(AnalysisExclusion, PlainSubstringOfTheUpperCasedTail) {
  AnalysisParts c;
  Analysis& analysis = c.analysis;
  EXPECT_FALSE(analysis.Excluded("C:\\a.tmp")) << "no exclusion text";
  c.exclusionText = "*.tmp; *.vhd";
  EXPECT_TRUE(analysis.Excluded("C:\\a.TMP"));
  EXPECT_TRUE(analysis.Excluded("C:\\a.t")) << "*.t occurs inside *.tmp";
  EXPECT_FALSE(analysis.Excluded("C:\\dir.x\\file")) << "the tail from the last dot holds a backslash";
  EXPECT_FALSE(analysis.Excluded("C:\\a.dat"));
  EXPECT_FALSE(analysis.Excluded(""));
}

TEST(AnalysisExclusion, AnExtensionListedWithoutItsStarExcludesNothing) {
  AnalysisParts c;
  c.exclusionText = ".tmp vhd";
  EXPECT_FALSE(c.analysis.Excluded("C:\\a.tmp")) << "an entry is a star and an extension";
  EXPECT_FALSE(c.analysis.Excluded("C:\\b.vhd"));
  c.exclusionText = ".tmp *.vhd";
  EXPECT_TRUE(c.analysis.Excluded("C:\\b.vhd"));
}

TEST(AnalysisSort, ByTextWithNamesInStep) {
  AnalysisParts c;
  FragmentedFiles& files = c.fragmented;
  files.Append("a", "12");
  files.Append("b", "3");
  files.Append("c", "100");
  c.analysis.Quicksort(0, 3);
  EXPECT_THAT(files.counts, ElementsAre("", "100", "12", "3"));
  EXPECT_THAT(files.names, ElementsAre("", "c", "a", "b"));
}

// Regression: with one level of recursion per equal count, 200,000 files of two fragments
// each overflowed the stack.
TEST(AnalysisSort, ManyEqualCountsNeitherOverflowNorCrawl) {
  AnalysisParts c;
  FragmentedFiles& files = c.fragmented;
  for (int i = 0; i < 200000; ++i) files.Append("f" + std::to_string(i), i % 1000 == 0 ? "3" : "2");
  c.analysis.Quicksort(0, static_cast<int32_t>(files.counts.size()) - 1);
  EXPECT_TRUE(std::is_sorted(files.counts.begin(), files.counts.end()));
  EXPECT_EQ(files.counts.front(), "");
  EXPECT_EQ(files.counts.back(), "3");
  EXPECT_EQ(files.names.back().substr(0, 1), "f");
}

// Regression: the pivots came from std::random_device, so files of equal counts came out in a
// different order from run to run, and the same volume got different moves.
TEST(AnalysisSort, EqualCountsComeOutInTheSameOrderInEveryAnalysis) {
  std::string entries;
  for (int i = 0; i < 60; ++i) {
    std::string extents;
    for (int piece = 0; piece < 2 + i % 3; ++piece) {
      extents += std::string(piece == 0 ? "" : ", ") + "[" + std::to_string(100 + 200 * piece + 2 * i) + ", 1]";
    }
    entries += std::string(i == 0 ? "" : ",") + R"({"name": "f)" + std::to_string(i) + R"(.dat", "extents": [)" +
               extents + "]}";
  }
  const std::string volume = R"({"file_system": "FAT32", "total_clusters": 1000, "entries": [)" + entries + "]}";
  AnalysisParts first(volume);
  first.analysis.AnalyzeFiles();
  const std::vector<std::string> order = first.fragmented.names;
  ASSERT_EQ(order.size(), 61u);
  first.analysis.AnalyzeFiles();
  EXPECT_EQ(first.fragmented.names, order) << "a second analysis in the same process";
  AnalysisParts second(volume);
  second.analysis.AnalyzeFiles();
  EXPECT_EQ(second.fragmented.names, order) << "another process";
}

TEST(AnalysisParts, AWholeAnalysisMarksListsAndReportsThroughItsEvents) {
  AnalysisParts c;
  c.f.settings.DebugLog = true;
  c.exclusionText = "*.tmp";
  c.analysis.AnalyzeFiles();
  EXPECT_EQ(c.analysis.Stats.FragmentedFileCount, 4) << "three.dat, two.dat, deep.dat, more; not skip.TMP";
  EXPECT_EQ(c.display.labels[3], "fragmented: 4");
  EXPECT_EQ(c.f.events.marks.size(), 4u) << "one mark per fragmented file";
  for (const test::RecordingEvents::Mark& mark : c.f.events.marks) EXPECT_EQ(mark.colour, map_colour::kFragmented);
  EXPECT_EQ(c.display.markRefreshes, 4);
  EXPECT_THAT(c.f.events.shown, ::testing::IsSupersetOf({"title Enumerating files on volume C:\\",
                                                        "title Analyzing files on volume C:\\", "title Volume C:\\"}));
  EXPECT_NE(c.f.events.log.Text().find("fragged: C:\\three.dat, fragments: 3\r\n"), std::string::npos)
      << c.f.events.log.Text();
  EXPECT_EQ(c.f.events.Progress(), c.f.events.Maximum() - 1) << "the last slot, empty, is not counted";
}

TEST(AnalysisRun, LabelsListReportAndMarks) {
  AnalysisCase c;
  c.h.program.ExclusionText() = "*.tmp";
  c.h.program.Log().ClearDebugLog();
  c.jobs().cmdanalysemore.Click();

  EXPECT_THAT(c.Labels(), ElementsAre("files: 7", "dirs: 1", "free: 125 (12%)", "fragmented: 4", "fragments: 13",
                                      "max/file: 6"));
  EXPECT_EQ(c.jobs().Caption(), "Volume C:\\");
  EXPECT_EQ(c.jobs().State(), JobWindowState::Idle);
  EXPECT_TRUE(c.h.program.Flags().AnalysisValid);
  const FragmentedFiles& files = c.h.program.Job().Fragmented();
  EXPECT_THAT(files.counts, ElementsAre("", "2", "2", "3", "6")) << "extent counts, sorted as text";
  EXPECT_THAT(std::vector<std::string>(files.names.begin() + 1, files.names.begin() + 3),
              ::testing::UnorderedElementsAre("C:\\two.dat", "C:\\Sub\\deep.dat"));
  EXPECT_EQ(files.names[3], "C:\\three.dat");
  EXPECT_EQ(files.names[4], "C:\\more");
  const FrmDetails& details = c.h.program.Details();
  EXPECT_EQ(details.Label1[0].Caption(), "[4]");
  EXPECT_EQ(details.Label1[1].Caption(), "N/A");
  EXPECT_FALSE(details.Command2.Enabled());

  const std::string& log = c.h.program.Log().Text();
  EXPECT_NE(log.find("Volume constants for drive: C:\r\n"), std::string::npos);
  EXPECT_NE(log.find("fragged: C:\\three.dat, fragments: 3\r\n"), std::string::npos);
  EXPECT_EQ(log.find("skip.TMP"), std::string::npos) << "excluded files are neither listed nor logged";
  EXPECT_NE(log.find("total files   : 7\r\ntotal dirs    : 1\r\nfragged       : 4\r\nmove_out_files: 0\r\n"
                     "optimize_files: 0\r\ndirs_to_move  : 0\r\nprefetch_files: 0\r\nlocked  _files: 0\r\n" +
                     std::string(46, '*') + "\r\n"),
            std::string::npos);
  // three.dat's first cluster, LCN 200, is marked red on the map.
  const ClusterMap& map = c.jobs().Map();
  const int column = static_cast<int>(std::nearbyint(200.0 / map.ClustersPerColumn()));
  EXPECT_EQ(c.jobs().Picdepartvolume.Surface().Column(column), map_colour::kFragmented);
}

TEST(AnalysisRun, NoFragmentedFilesAndSubtreeJobs) {
  AnalysisCase clean(R"({"total_clusters": 1000, "entries": [{"name": "one.dat", "extents": [[10, 5]]}]})");
  clean.jobs().cmdanalysemore.Click();
  EXPECT_THAT(clean.Labels(), ElementsAre("files: 1", "dirs: 0", "free: 995 (100%)", "fragmented: 0", "fragments: 0",
                                          "max/file: 0"));
  EXPECT_THAT(clean.h.program.Job().Fragmented().names, ElementsAre(""));

  AnalysisCase subtree;
  subtree.h.program.Settings().Directory = "Sub";
  subtree.jobs().cmdanalysemore.Click();
  EXPECT_EQ(subtree.jobs().LblStats[0].Caption(), "files: 1");
  EXPECT_THAT(subtree.h.program.Job().Fragmented().names, ElementsAre("", "C:\\Sub\\deep.dat"));
}

TEST(AnalysisRun, StopDuringTheWalkLeavesTheLabels) {
  AnalysisCase c;
  c.h.toolkit.QueueAction([&] { c.jobs().Arretdefrag.Click(); });  // answered Yes by default
  c.jobs().cmdanalysemore.Click();
  EXPECT_EQ(c.h.toolkit.MessageBoxes().back().prompt, "Are you sure?");
  EXPECT_EQ(c.jobs().LblStats[0].Caption(), "");
  EXPECT_EQ(c.jobs().Caption(), "Volume C:\\");
  EXPECT_FALSE(c.h.program.Flags().AnalysisValid);
  EXPECT_EQ(c.jobs().State(), JobWindowState::Idle);
}

TEST(AnalysisRun, AnsweringNoToStopLetsTheJobFinish) {
  AnalysisCase c;
  c.h.toolkit.QueueAction([&] {
    c.h.toolkit.QueueAnswer(MsgBoxResult::No);
    c.jobs().Arretdefrag.Click();
  });
  c.jobs().cmdanalysemore.Click();
  EXPECT_EQ(c.jobs().LblStats[0].Caption(), "files: 7");
  EXPECT_TRUE(c.h.program.Flags().AnalysisValid);
}

TEST(AnalysisRun, PassAnalysisCollectsListsAndReadsTheBootLayout) {
  const std::string volume = R"({"total_clusters": 100000, "entries": [
    {"name": "Windows", "type": "directory", "extents": [[50000, 1]], "entries": [
      {"name": "Prefetch", "type": "directory", "extents": [[50010, 1]], "entries": [
        {"name": "layout.ini", "extents": [[50020, 1]], "content_encoding": "utf-16le",
         "content": "[OptimalLayoutFile]\r\nVersion=1\r\nC:\\boot.dll\r\nC:\\boot.dll\r\nc:\\other.dll\r\nC:\\tiny.txt\r\nC:\\missing.dll\r\n"}
      ]}
    ]},
    {"name": "boot.dll", "extents": [[90000, 4]]},
    {"name": "other.dll", "extents": [[91000, 4]]},
    {"name": "tiny.txt", "resident": true}
  ]})";
  AnalysisCase c(volume);
  c.h.program.Flags().CollectPlacementLists = true;
  c.jobs().Analyze_This();
  EXPECT_TRUE(c.h.program.Flags().CatalogueComplete);
  EXPECT_THAT(c.h.program.Files().Lists.prefetch_files, ElementsAre("C:\\boot.dll", "C:\\boot.dll"));
  EXPECT_EQ(c.h.program.Details().Label1[2].Caption(), "[4]") << "two directories and two boot entries";
  EXPECT_TRUE(c.h.program.Details().Command3.Enabled());
}

}  // namespace
}  // namespace tarvonel
