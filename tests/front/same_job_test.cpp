// The same job on the same volume makes the same moves, from every front end: the tool's
// defrag, optimize and compact and the job window's Defrag, Optimize and Compact, on the
// benchmarks' FAT32 and exFAT cards, each against the moves recorded in tests/data/moves
// (file, the clusters that were to move, where they went, the move's result; in order).
// TARVONEL_RECORD_MOVES=DIR writes what this build makes into DIR instead of comparing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "front/linux/tool/tool_run.h"
#include "image_harness.h"
#include "shell_workspace.h"

namespace tarvonel {
namespace {

const std::string kScripts = TARVONEL_TEST_SCRIPTS;
const std::string kFixtures = std::string(TARVONEL_TEST_SCRIPTS) + "/../data/moves/";

struct Card {
  const char* name;
  const char* make;       // writes pristine.img
  const char* gapBefore;  // files near v.img's end behind a gap, for Compact to bring forward
};

// The benchmarks' cards (bench/fat_image_defrag.sh, bench/exfat.sh), the FAT32 one smaller.
const Card kCards[] = {
    {"fat32", "fat_volume.sh && fat_fragmented_card pristine.img 512 1000", "fat_volume.sh && fat_files_at_the_end v.img"},
    {"exfat",
     "exfat_volume.sh && EXFAT_CARD_BYTES=268435456 EXFAT_ROOT_FILES=300 EXFAT_SUB_FILES=300 "
     "exfat_fragmented_card pristine.img 32768",
     "exfat_volume.sh && exfat_files_at_the_end v.img 32768"},
};

struct Verb {
  const char* name;
  ToolVerb tool;
  const char* windowSwitch;
};
const Verb kVerbs[] = {{"defrag", ToolVerb::Defrag, "/d"},
                       {"optimize", ToolVerb::Optimize, "/o"},
                       {"compact", ToolVerb::Compact, "/c"}};

std::string Runs(const std::vector<uint32_t>& clusters) {
  std::string text;
  for (size_t i = 0; i < clusters.size();) {
    size_t j = i;
    while (j + 1 < clusters.size() && clusters[j + 1] == clusters[j] + 1) ++j;
    text += (text.empty() ? "" : ",") + std::to_string(clusters[i]);
    if (j > i) text += "-" + std::to_string(clusters[j]);
    i = j + 1;
  }
  return text.empty() ? "-" : text;
}

// One line per move asked of the volume.
image::ImageVolume::MoveWatcher Recorder(std::string& log) {
  return [&log](const std::string& path, const std::vector<uint32_t>& from, uint32_t to, uint32_t result) {
    log += path + ": " + Runs(from) + " -> " + std::to_string(to) + " = " + std::to_string(result) + "\n";
  };
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The first line where two move logs part, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream a(expected), b(actual);
  std::string x, y;
  for (int line = 1;; ++line) {
    const bool moreA = static_cast<bool>(std::getline(a, x));
    const bool moreB = static_cast<bool>(std::getline(b, y));
    if (!moreA && !moreB) return "no difference";
    if (!moreA || !moreB || x != y) {
      return "move " + std::to_string(line) + ": recorded \"" + (moreA ? x : "(none)") + "\", made \"" +
             (moreB ? y : "(none)") + "\"";
    }
  }
}

std::string ToolMoves(const std::string& image, ToolVerb verb) {
  std::string log;
  ToolVolume volume(image, false);
  std::string problem;
  if (!volume.Select(problem)) return "refused: " + problem;
  volume.Card()->WatchMoves(Recorder(log));
  ToolCommand command;
  command.verb = verb;
  command.volume = image;
  command.quiet = true;
  command.force = true;
  RunPass(command, volume);
  return log;
}

std::string WindowMoves(const std::string& image, const char* windowSwitch) {
  std::string log;
  test::ImageHarness h(image, std::string("/drv C: ") + windowSwitch);
  h.C().WatchMoves(Recorder(log));
  h.program.Volume().AcceptFileSystem("exFAT");
  h.program.Run();
  h.platform.CommitPendingMoves();
  return log;
}

class SameJob : public testing::TestWithParam<Card> {};

TEST_P(SameJob, EveryFrontEndMakesTheRecordedMoves) {
  const Card card = GetParam();
  if (std::string(card.name) == "exfat" && ::geteuid() != 0) GTEST_SKIP() << "loop devices and FUSE need root";
  test::ShellWorkspace w("tarvonel-same-job");
  ASSERT_EQ(w.Shell(". " + kScripts + "/" + card.make).first, 0) << "the card could not be made";
  const char* record = std::getenv("TARVONEL_RECORD_MOVES");
  // The bench cards' free space lies behind their files: Compact gets a card with a gap to close.
  ASSERT_EQ(w.Shell("cp --sparse=always pristine.img v.img && . " + kScripts + "/" + card.gapBefore +
                    " && mv v.img gap.img").first, 0);
  for (const Verb& verb : kVerbs) {
    const std::string fixture = std::string(card.name) + "-" + verb.name + ".txt";
    const std::string source = verb.tool == ToolVerb::Compact ? "gap.img" : "pristine.img";
    ASSERT_EQ(w.Shell("cp --sparse=always " + source + " v.img").first, 0);
    const std::string tool = ToolMoves(w.Path("v.img"), verb.tool);
    if (record != nullptr) {
      std::ofstream(std::string(record) + "/" + fixture) << tool;
      continue;
    }
    const std::string expected = ReadFile(kFixtures + fixture);
    ASSERT_FALSE(expected.empty()) << fixture << " holds no moves";
    EXPECT_TRUE(tool == expected) << "the tool's " << verb.name << ": " << FirstDifference(expected, tool);
    ASSERT_EQ(w.Shell("cp --sparse=always " + source + " v.img").first, 0);
    const std::string window = WindowMoves(w.Path("v.img"), verb.windowSwitch);
    EXPECT_TRUE(window == expected) << "the job window's " << verb.name << ": " << FirstDifference(expected, window);
  }
}

INSTANTIATE_TEST_SUITE_P(BenchmarkCards, SameJob, testing::ValuesIn(kCards),
                         [](const testing::TestParamInfo<Card>& card) { return std::string(card.param.name); });

}  // namespace
}  // namespace tarvonel
