// The Linux tool's parts that need no volume: its command line, progress line, picture and report.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "front/linux/console_options.h"
#include "front/linux/tool/progress_line.h"
#include "front/linux/tool/solid_state.h"
#include "front/linux/tool/tool_options.h"
#include "front/linux/tool/tool_run.h"
#include "front/linux/tool/volume_picture.h"
#include "front/linux/tool/volume_report.h"

namespace tarvonel {
namespace {

ToolCommand Parse(std::vector<std::string> args) { return ParseToolCommand(args); }

TEST(ToolCommandLine, TakesAVolumeOrTheDemoAndEachCommandsOwnOptions) {
  const ToolCommand analyze = Parse({"analyze", "card.img", "--files", "--json", "--map", "m.png"});
  EXPECT_EQ(analyze.verb, ToolVerb::Analyze);
  EXPECT_EQ(analyze.volume, "card.img");
  EXPECT_TRUE(analyze.files && analyze.json);
  EXPECT_EQ(analyze.mapFile, "m.png");

  const ToolCommand contig = Parse({"contig", "/dev/sdb1", "/GAMES/A.ISO", "/b.iso", "--quiet"});
  EXPECT_EQ(contig.volume, "/dev/sdb1");
  EXPECT_EQ(contig.paths, (std::vector<std::string>{"/GAMES/A.ISO", "/b.iso"}));
  EXPECT_TRUE(contig.quiet);

  const ToolCommand demo = Parse({"optimize", "--demo", "--force"});
  EXPECT_TRUE(demo.demo && demo.force);
  EXPECT_EQ(demo.volume, "");
  EXPECT_TRUE(Parse({"frag", "--help"}).help);
}

TEST(ToolCommandLine, RefusesWhatACommandDoesNotTake) {
  const std::vector<std::vector<std::string>> bad = {
      {"defrag"},                               // no volume
      {"contig", "card.img"},                   // no path
      {"frag", "card.img", "GAME.ISO"},         // a path not from the root
      {"frag", "--demo", "/a"},                 // the demo has no paths to name
      {"defrag", "card.img", "--json"},         // a pass prints no report
      {"analyze", "card.img", "--force"},       // nothing to force
      {"analyze", "card.img", "extra"},         // one volume only
      {"compact", "card.img", "--map"},         // --map needs its file
      {"analyze", "card.img", "--bogus"},
  };
  for (const auto& args : bad) EXPECT_THROW(ParseToolCommand(args), UsageError) << args.back();
  EXPECT_TRUE(IsToolVerb("contig"));
  EXPECT_FALSE(IsToolVerb("/d"));
  EXPECT_FALSE(IsToolVerb("--machine"));
}

TEST(ToolProgress, SaysHowFarWhatAndHowLongLeft) {
  const ProgressLine::State state{"Defragmenting", 0.25, "/GAMES/GAME.ISO", 12, 3 * 1024 * 1024};
  const std::string text = ProgressLine::Text(state, std::chrono::seconds(70), std::chrono::seconds(20));
  EXPECT_EQ(text, "Defragmenting:  25%  12 moves, 3.0 MiB moved, 1:10 elapsed, about 1:00 left  /GAMES/GAME.ISO");
  // No estimate before there is something to go by; a long path keeps its end.
  const std::string early =
      ProgressLine::Text({"", 0.01, std::string(60, 'x') + "/END.BIN", 0, 0}, std::chrono::seconds(1), std::chrono::seconds(1));
  EXPECT_EQ(early.find("left"), std::string::npos);
  EXPECT_NE(early.find("  ...xxx"), std::string::npos) << early;
  EXPECT_TRUE(early.ends_with("x/END.BIN")) << early;
  EXPECT_LT(early.size(), 120u) << early;
}

TEST(ToolProgress, PlainLinesAtEachTenthAndNothingWhenQuiet) {
  std::ostringstream lines;
  ProgressLine plain(lines, ProgressLine::Style::Lines);
  for (int i = 0; i <= 100; ++i) plain.Show({"contig", i / 100.0, "/A", i, 0});
  plain.Finish();
  int count = 0;
  for (char c : lines.str()) count += c == '\n' ? 1 : 0;
  EXPECT_EQ(count, 11);  // 0%, 10%, ... 100%
  EXPECT_EQ(lines.str().find('\r'), std::string::npos);

  std::ostringstream terminal;
  ProgressLine updating(terminal, ProgressLine::Style::Terminal);
  updating.Show({"contig", 0.5, "/A", 1, 0});
  updating.Finish();
  EXPECT_TRUE(terminal.str().starts_with("\r\033[K")) << terminal.str();
  EXPECT_TRUE(terminal.str().ends_with("\n"));

  std::ostringstream quiet;
  ProgressLine none(quiet, ProgressLine::Style::Quiet);
  none.Show({"contig", 0.5, "/A", 1, 0});
  none.Finish();
  EXPECT_EQ(quiet.str(), "");
}

FileLayout Layout(const std::string& path, std::vector<ClusterRun> runs, uint64_t size = 4096) {
  FileLayout layout;
  layout.path = path;
  layout.size = size;
  layout.runs = std::move(runs);
  return layout;
}

TEST(ToolPicture, EveryClusterHasACellAndTheMostTellingShadeWins) {
  for (int64_t clusters : {int64_t{1}, int64_t{7200}, int64_t{7201}, int64_t{1} << 28}) {
    const int64_t perCell = ClustersPerCell(clusters);
    EXPECT_GE(perCell * kPictureColumns * kPictureRows, clusters) << clusters;
    EXPECT_LT((perCell - 1) * kPictureColumns * kPictureRows, clusters) << clusters;
  }
  std::vector<bool> inUse(10, false);
  for (int lcn : {0, 1, 2, 3, 4, 5, 9}) inUse[static_cast<size_t>(lcn)] = true;
  const std::vector<FileLayout> layouts = {Layout("C:\\a", {{0, 1, 1}}), Layout("C:\\frag", {{0, 2, 1}, {1, 4, 1}}),
                                           Layout("C:\\named", {{0, 5, 1}})};
  const std::vector<ClusterShade> shades = ShadeClusters(inUse, layouts, {2});
  EXPECT_EQ(shades, (std::vector<ClusterShade>{ClusterShade::System, ClusterShade::File, ClusterShade::Fragmented,
                                              ClusterShade::System, ClusterShade::Fragmented, ClusterShade::Named,
                                              ClusterShade::Free, ClusterShade::Free, ClusterShade::Free,
                                              ClusterShade::System}));

  // A volume of 7201 clusters: two per cell, and its last cluster, alone in its cell, is drawn.
  std::vector<ClusterShade> large(7201, ClusterShade::Free);
  large.back() = ClusterShade::Fragmented;
  VolumeFacts facts;
  facts.clusterBytes = 4096;
  const RgbPicture picture = DrawVolumePicture(facts, large);
  EXPECT_GE(picture.width, kPictureWidth);
  const int lastCell = 7200 / 2;
  const int x = 8 + (lastCell % kPictureColumns) * kPictureCellPixels + 1;
  const int y = 8 + (lastCell / kPictureColumns) * kPictureCellPixels + 1;
  const uint8_t* pixel = &picture.rgb[(static_cast<size_t>(y) * static_cast<size_t>(picture.width) + static_cast<size_t>(x)) * 3];
  EXPECT_EQ((uint32_t{pixel[0]} << 16) | (uint32_t{pixel[1]} << 8) | pixel[2], 0xDC3232u);
}

TEST(ToolReport, JsonCountsAndListsTheFragmentedFilesInFatClusterNumbers) {
  VolumeFacts facts{"card.img", "FAT32", 4096, 1000, 400, 3, 2, "fsck.fat -a reclaims them"};
  FileLayout folder = Layout("C:\\GAMES", {{0, 10, 1}}, 0);
  folder.directory = true;
  const std::vector<FileLayout> layouts = {folder, Layout("C:\\GAMES\\GAME.ISO", {{0, 20, 5}, {5, 40, 3}}, 32768),
                                           Layout("C:\\ONE.TXT", {{0, 50, 1}})};
  const nlohmann::json report = nlohmann::json::parse(JsonReport(facts, layouts));
  EXPECT_EQ(report["volume"]["file_system"], "FAT32");
  EXPECT_EQ(report["volume"]["lost_clusters"], 3);
  EXPECT_EQ(report["counts"]["files"], 2);
  EXPECT_EQ(report["counts"]["directories"], 1);
  EXPECT_EQ(report["counts"]["fragmented_files"], 1);
  EXPECT_EQ(report["counts"]["fragments"], 2);
  ASSERT_EQ(report["fragmented"].size(), 1u);
  const nlohmann::json& game = report["fragmented"][0];
  EXPECT_EQ(game["path"], "/GAMES/GAME.ISO");
  EXPECT_EQ(game["size"], 32768);
  EXPECT_EQ(game["pieces"], 2);
  EXPECT_EQ(game["clusters"], nlohmann::json::parse("[[22, 26], [42, 44]]"));

  EXPECT_EQ(FindLayout(layouts, "/games/game.iso"), 1u);
  EXPECT_EQ(FindLayout(layouts, "/GAMES/"), 0u);
  EXPECT_FALSE(FindLayout(layouts, "/GAME.ISO").has_value());
}

TEST(ToolSolidState, AnImageFileIsNoDeviceAndAPartitionAsksItsWholeDisk) {
  EXPECT_FALSE(IsSolidStateDevice("/proc/self/exe"));
  EXPECT_FALSE(IsSolidStateDevice("/no/such/device"));

  // As the kernel lists them: 8:0 a whole disk with its queue, 8:1 a link to its partition's
  // folder inside the disk's; 8:16 a spinning disk; 9:0 with no queue at all.
  namespace fs = std::filesystem;
  const fs::path sys = fs::temp_directory_path() / ("tarvonel-sys-" + std::to_string(::getpid()));
  fs::remove_all(sys);
  auto write = [](const fs::path& file, const char* text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
  };
  write(sys / "devices/sda/queue/rotational", "0\n");
  fs::create_directories(sys / "devices/sda/sda1");
  write(sys / "devices/sdb/queue/rotational", "1\n");
  fs::create_directories(sys / "block");
  fs::create_directory_symlink(sys / "devices/sda", sys / "block/8:0");
  fs::create_directory_symlink(sys / "devices/sda/sda1", sys / "block/8:1");
  fs::create_directory_symlink(sys / "devices/sdb", sys / "block/8:16");
  const std::string block = (sys / "block").string();
  EXPECT_TRUE(HasNoSeekPenalty(8, 0, block));
  EXPECT_TRUE(HasNoSeekPenalty(8, 1, block)) << "a partition of a solid-state disk";
  EXPECT_FALSE(HasNoSeekPenalty(8, 16, block));
  EXPECT_FALSE(HasNoSeekPenalty(9, 0, block)) << "no queue: not known to be solid-state";
  fs::remove_all(sys);
}

}  // namespace
}  // namespace tarvonel
