// Whole passes of the program on an exFAT card written through the exFAT FUSE driver, their
// batched writes cut off after every single write in turn, and every write that spans sector
// boundaries torn at each of them (up to eight): fsck.exfat -n says clean, an independent
// reading of the volume finds nothing but clusters in use that no file holds, every file's
// contents are as they were, and the pass then runs again to the same. The card has a
// fragmented file whose entry set lies across a sector boundary; it is also moved on its own and
// made contiguous, cut in the same way.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "open_volume.h"
#include "platform/image/file_storage.h"
#include "front/linux/tool/tool_run.h"
#include "image_harness.h"
#include "filesystems/exfat/exfat_image.h"
#include "platform/image/medium.h"
#include "filesystems/sector_source.h"
#include "power_cut.h"
#include "shell_workspace.h"

namespace tarvonel::exfat {
namespace {

using fs::DirEntry;
using fs::BatchMover;
using fs::VolumeStorage;

struct Workspace : test::ShellWorkspace {
  Workspace() : ShellWorkspace("tarvonel-exfat-cut") {}
};

const std::string kScripts = TARVONEL_TEST_SCRIPTS;

// The reading's problems but what a cut may leave, one per line, then every file's path and SHA-1.
const std::string kJudge = "python3 " + kScripts + "/exfat_reference.py --judge v.img";
// Every problem the reading finds, none allowed.
const std::string kProblems = "python3 " + kScripts + "/exfat_reference.py v.img | python3 -c 'import json, sys; "
                              "print(json.load(sys.stdin)[\"problems\"])'";
// pristine.img and v.img: a 4 MiB card of 1 KiB clusters whose files are in pieces, one of them
// with its set across a sector boundary.
const std::string kMakeCard = ". " + kScripts + "/exfat_volume.sh && EXFAT_CARD_BYTES=4194304 EXFAT_ROOT_FILES=36 "
                              "EXFAT_SUB_FILES=8 exfat_fragmented_card pristine.img 1024 && cp pristine.img v.img";

int PassWithCut(const std::string& image, const std::string& pass, int allowed, int tearAt,
                std::vector<int>* boundaries = nullptr) {
  int writes = 0;
  test::ImageHarness h(image, "/drv C: " + pass, [&](const std::string& path) -> std::unique_ptr<VolumeStorage> {
    return std::make_unique<CutStorage>(std::make_unique<image::FileStorage>(path), allowed, writes, tearAt, boundaries);
  });
  h.program.Volume().AcceptFileSystem("exFAT");
  h.program.Run();
  return writes;
}

class ExfatPassCut : public testing::TestWithParam<const char*> {};

TEST_P(ExfatPassCut, APowerCutAtAnyWriteLosesNoFile) {
  const std::string pass = GetParam();
  Workspace w;
  ASSERT_EQ(w.Shell(kMakeCard).first, 0)
      << "the card could not be made (root is needed for loop devices and FUSE)";
  // Compact brings files forward that lie behind a gap.
  if (pass == "/c") {
    ASSERT_EQ(w.Shell(". " + kScripts + "/exfat_volume.sh && exfat_files_at_the_end pristine.img 1024 && "
                      "cp pristine.img v.img").first, 0);
  }
  const std::string expected = w.Shell(kJudge).second;
  ASSERT_EQ(expected.find("PROBLEM"), std::string::npos) << expected;
  ASSERT_EQ(w.Shell("python3 " + kScripts + "/exfat_reference.py pristine.img | python3 -c 'import json, sys; "
                    "f = json.load(sys.stdin)[\"files\"]; "
                    "sys.exit(not any(v[\"straddles\"] and len(v[\"ranges\"]) > 1 for v in f.values()))'")
                .first,
            0)
      << "no fragmented file's set lies across a sector boundary";

  const std::string image = w.Path("v.img");
  std::vector<int> boundaries;
  const int total = PassWithCut(image, pass, 1 << 30, 1, &boundaries);
  ASSERT_GT(total, 0) << pass << " moved nothing";
  ASSERT_EQ(w.Shell("fsck.exfat -n v.img | grep -q ': clean\\.'").first, 0);
  ASSERT_EQ(w.Shell(kJudge).second, expected) << "without a cut";

  int cuts = 0;
  for (int k = 0; k < total; ++k) {
    const int tears = boundaries[static_cast<size_t>(k)] <= 8 ? std::max(1, boundaries[static_cast<size_t>(k)]) : 1;
    for (int tear = 1; tear <= tears; ++tear) {
      ++cuts;
      ASSERT_EQ(w.Shell("cp --sparse=always pristine.img v.img").first, 0);
      PassWithCut(image, pass, k, tear);
      const std::string cut = pass + ", cut after write " + std::to_string(k) + " of " + std::to_string(total) +
                              ", torn at boundary " + std::to_string(tear);
      const auto [code, fsck] = w.Shell("fsck.exfat -n v.img");
      EXPECT_TRUE(code == 0 && fsck.find(": clean.") != std::string::npos) << cut << ":\n" << fsck;
      EXPECT_EQ(w.Shell(kJudge).second, expected) << cut;
      PassWithCut(image, pass, 1 << 30, 1);
      EXPECT_EQ(w.Shell("fsck.exfat -n v.img | grep -q ': clean\\.'").first, 0) << cut << ", run again";
      EXPECT_EQ(w.Shell(kJudge).second, expected) << cut << ", run again";
      if (HasFailure()) return;
    }
  }
  std::printf("%s: %d writes, %d cuts\n", pass.c_str(), total, cuts);
}

// Optimize makes the same kinds of moves in the same batches (its cuts ran here once: 152, as
// Defrag's); the tool test checks its results.
INSTANTIATE_TEST_SUITE_P(Passes, ExfatPassCut, testing::Values("/d", "/c"),
                         [](const testing::TestParamInfo<const char*>& param) {
                           return std::string(param.param) == "/d" ? "Defrag" : "Compact";
                         });

// The first fragmented file of the root whose set lies across a sector boundary.
DirEntry* FragmentedStraddler(ExfatImage& image, const std::string& name = {}) {
  for (DirEntry& file : image.Root().children) {
    if (!name.empty()) {
      if (file.name == name) return &file;
      continue;
    }
    if (file.IsDirectory() || image.ChangesInPlace(file)) continue;
    for (size_t i = 1; i < file.chain.size(); ++i) {
      if (file.chain[i] != file.chain[i - 1] + 1) return &file;
    }
  }
  return nullptr;
}

// LCN of the first free run of `count` clusters.
uint32_t FreeRun(const ExfatImage& image, size_t count) {
  uint32_t start = 2;
  for (uint32_t cluster = 2; cluster < image.Geometry().dataClusters + 2; ++cluster) {
    if (image.InUse(cluster)) {
      start = cluster + 1;
    } else if (cluster - start + 1 == count) {
      return start - 2;
    }
  }
  return UINT32_MAX;
}

// Moves the named file (or the first fragmented straddler) whole to the first free run and
// commits, through storage cut after `allowed` writes. The file's name, or the error.
std::string MoveWhole(const std::string& path, const std::string& name, int allowed, int& writes) {
  std::unique_ptr<ExfatImage> image = OpenExfatImage(path);
  DirEntry* file = FragmentedStraddler(*image, name);
  if (file == nullptr) return "no such file";
  CutStorage storage(std::make_unique<image::FileStorage>(path), allowed, writes);
  const std::unique_ptr<BatchMover> mover = image->MakeMover(storage);
  const uint32_t target = FreeRun(*image, file->chain.size());
  const uint32_t error = mover->Move(*file, 0, target, static_cast<uint32_t>(file->chain.size()));
  if (error != 0) return "move: error " + std::to_string(error);
  if (const uint32_t failed = mover->Commit()) return "commit: error " + std::to_string(failed);
  return file->name;
}

// The file's runs as [first VCN, end VCN) pairs.
std::vector<std::pair<uint32_t, uint32_t>> Pieces(const DirEntry& file) {
  std::vector<std::pair<uint32_t, uint32_t>> pieces;
  for (uint32_t i = 0; i < file.chain.size(); ++i) {
    if (i == 0 || file.chain[i] != file.chain[i - 1] + 1) pieces.push_back({i, i});
    pieces.back().second = i + 1;
  }
  return pieces;
}

// The root's file in the most pieces whose set changes in place.
DirEntry* MostFragmented(ExfatImage& image) {
  DirEntry* most = nullptr;
  size_t mostPieces = 0;
  for (DirEntry& file : image.Root().children) {
    if (file.IsDirectory() || !image.ChangesInPlace(file)) continue;
    if (const size_t pieces = Pieces(file).size(); pieces > mostPieces) {
      most = &file;
      mostPieces = pieces;
    }
  }
  return most;
}

// Moves the most fragmented file's last two pieces next to each other into the first free run,
// in one batch, the later piece first when `laterFirst`, through storage cut after `allowed`
// writes. The moves the batch held before its commit, or the error.
std::string MoveTwoPieces(const std::string& path, bool laterFirst, int allowed, int& writes) {
  std::unique_ptr<ExfatImage> image = OpenExfatImage(path);
  DirEntry* file = MostFragmented(*image);
  if (file == nullptr) return "no fragmented file";
  const std::vector<std::pair<uint32_t, uint32_t>> pieces = Pieces(*file);
  if (pieces.size() < 3) return "the file is in fewer than three pieces";
  const auto [firstStart, firstEnd] = pieces[pieces.size() - 2];
  const auto [laterStart, laterEnd] = pieces.back();
  CutStorage storage(std::make_unique<image::FileStorage>(path), allowed, writes);
  const std::unique_ptr<BatchMover> mover = image->MakeMover(storage);
  const uint32_t target = FreeRun(*image, laterEnd - firstStart);
  const auto moveFirst = [&] { return mover->Move(*file, firstStart, target, firstEnd - firstStart); };
  const auto moveLater = [&] { return mover->Move(*file, laterStart, target + firstEnd - firstStart, laterEnd - laterStart); };
  if (const uint32_t error = laterFirst ? moveLater() : moveFirst()) return "move: error " + std::to_string(error);
  if (const uint32_t error = laterFirst ? moveFirst() : moveLater()) return "move: error " + std::to_string(error);
  const size_t batched = mover->PendingMoves();
  if (const uint32_t failed = mover->Commit()) return "commit: error " + std::to_string(failed);
  return std::to_string(batched) + " moves";
}

// Two pieces of one file share a batch, in either order: step 2 writes the chain as the batch
// leaves it, and a cut after any write of the commit leaves every file whole.
TEST(ExfatMover, PiecesOfOneFileShareABatchAndACutAnywhereLosesNoFile) {
  Workspace w;
  ASSERT_EQ(w.Shell(kMakeCard).first, 0);
  const std::string expected = w.Shell(kJudge).second;
  const std::string path = w.Path("v.img");
  for (const bool laterFirst : {false, true}) {
    const std::string order = laterFirst ? "the later piece first" : "in order";
    ASSERT_EQ(w.Shell("cp pristine.img v.img").first, 0);
    int total = 0;
    ASSERT_EQ(MoveTwoPieces(path, laterFirst, 1 << 30, total), "2 moves") << order;
    EXPECT_EQ(w.Shell(kProblems).second, "[]\n") << order;
    EXPECT_EQ(w.Shell(kJudge).second, expected) << order;
    for (int k = 0; k < total; ++k) {
      ASSERT_EQ(w.Shell("cp pristine.img v.img").first, 0);
      int writes = 0;
      MoveTwoPieces(path, laterFirst, k, writes);
      const std::string cut = order + ", cut after write " + std::to_string(k) + " of " + std::to_string(total);
      const auto [code, fsck] = w.Shell("fsck.exfat -n v.img");
      EXPECT_TRUE(code == 0 && fsck.find(": clean.") != std::string::npos) << cut << ":\n" << fsck;
      EXPECT_EQ(w.Shell(kJudge).second, expected) << cut;
      if (HasFailure()) return;
    }
  }
}

// A set whose checksum and stream extension lie in two sectors is never changed in place (a
// torn write there loses the file): a move of part of the file's start is refused, and a move
// of the whole file writes the set anew inside one sector. Cut after each write of that move,
// the volume reads with the file once and its contents unchanged (fsck.exfat -n clean), and the
// next move leaves nothing behind: no leftover entry, no lost cluster.
TEST(ExfatMover, ASetAcrossASectorBoundaryIsWrittenAnewAndACutAnywhereLeavesTheFileWhole) {
  Workspace w;
  ASSERT_EQ(w.Shell(kMakeCard).first, 0);
  const std::string expected = w.Shell(kJudge).second;
  const std::string path = w.Path("v.img");
  {
    std::unique_ptr<ExfatImage> image = OpenExfatImage(path);
    DirEntry* straddler = FragmentedStraddler(*image);
    ASSERT_NE(straddler, nullptr);
    image::FileStorage storage(path);
    const std::unique_ptr<BatchMover> mover = image->MakeMover(storage);
    EXPECT_EQ(mover->Move(*straddler, 0, FreeRun(*image, 1), 1), 5u);
    EXPECT_EQ(mover->FilesKeptAtTheirStart(), 1u);
  }
  int total = 0;
  const std::string name = MoveWhole(path, {}, 1 << 30, total);
  ASSERT_GT(total, 0) << name;
  {
    std::unique_ptr<ExfatImage> image = OpenExfatImage(path);
    const DirEntry* moved = FragmentedStraddler(*image, name);
    ASSERT_NE(moved, nullptr);
    EXPECT_TRUE(image->ChangesInPlace(*moved));
    EXPECT_EQ(moved->chain.back() - moved->chain.front() + 1, moved->chain.size());
  }
  EXPECT_EQ(w.Shell(kJudge).second, expected);
  EXPECT_EQ(w.Shell(kProblems).second, "[]\n");

  for (int k = 0; k < total; ++k) {
    ASSERT_EQ(w.Shell("cp pristine.img v.img").first, 0);
    int writes = 0;
    MoveWhole(path, name, k, writes);
    const std::string cut = "cut after write " + std::to_string(k) + " of " + std::to_string(total);
    const auto [code, fsck] = w.Shell("fsck.exfat -n v.img");
    EXPECT_TRUE(code == 0 && fsck.find(": clean.") != std::string::npos) << cut << ":\n" << fsck;
    EXPECT_EQ(w.Shell(kJudge).second, expected) << cut;
    writes = 0;
    EXPECT_EQ(MoveWhole(path, name, 1 << 30, writes), name) << cut << ", moved again";
    EXPECT_EQ(w.Shell(kProblems).second, "[]\n") << cut << ", moved again";
    EXPECT_EQ(w.Shell(kJudge).second, expected) << cut << ", moved again";
    if (HasFailure()) return;
  }
}

struct ContigResult {
  int writes = 0;
  bool whole = false;      // the file ended in one piece
  bool movedWhole = false;  // the plan moved it in one move
};

// contig of `toolPath` as the tool plans it, its writes cut off after `allowed`. With
// `holdStartWindow`, the other files in the window that would keep the file's first cluster
// where it is are held where they are, so that the file has to move whole.
ContigResult ContigWithCut(const std::string& image, const std::string& toolPath, int allowed, bool holdStartWindow) {
  ContigResult result;
  ToolVolume volume(image, false, [&](const std::string& path) -> std::unique_ptr<VolumeStorage> {
    return std::make_unique<CutStorage>(std::make_unique<image::FileStorage>(path), allowed, result.writes);
  });
  std::string problem;
  EXPECT_TRUE(volume.Select(problem)) << problem;
  std::vector<FileLayout> layouts = volume.Walk();
  const std::optional<size_t> target = FindLayout(layouts, toolPath);
  if (!target) {
    ADD_FAILURE() << toolPath << " is not on the card";
    return result;
  }
  if (holdStartWindow) {
    const FileLayout& file = layouts[*target];
    const int64_t first = file.runs.front().lcn;
    for (FileLayout& other : layouts) {
      for (const ClusterRun& run : other.runs) {
        if (&other != &file && run.lcn < first + file.Clusters() && run.lcn + run.length > first) other.readable = false;
      }
    }
  }
  const ContiguousPlan plan = PlanContiguousOn(volume, layouts, *target);
  EXPECT_TRUE(plan.possible) << plan.problem;
  result.movedWhole = plan.wholeFile;
  ContiguousMaker maker(volume.Mover(), volume.Extents(), volume.VolumeHandle());
  const ContiguousOutcome outcome = maker.Carry(layouts, *target, plan, {}, {});
  const bool committed = volume.Card()->CommitPendingMoves();
  const std::vector<FileLayout> after = volume.Walk();
  const std::optional<size_t> now = FindLayout(after, toolPath);
  result.whole = outcome.error.empty() && committed && now && after[*now].runs.size() == 1;
  return result;
}

// contig of a fragmented file whose set lies across a sector boundary keeps its first cluster
// where it is or, when that cannot be, moves the whole file in one move (its start moves no
// other way). A cut after any write of either leaves the file whole and readable, and contig
// run again finishes.
class ExfatContig : public testing::TestWithParam<bool> {};

TEST_P(ExfatContig, AFileWhoseSetLiesAcrossASectorBoundaryIsMadeContiguousAndACutAnywhereLosesNothing) {
  const bool holdStartWindow = GetParam();
  Workspace w;
  ASSERT_EQ(w.Shell(kMakeCard).first, 0);
  const std::string expected = w.Shell(kJudge).second;
  const std::string image = w.Path("v.img");
  std::string path;
  {
    std::unique_ptr<ExfatImage> card = OpenExfatImage(image);
    const DirEntry* straddler = FragmentedStraddler(*card);
    ASSERT_NE(straddler, nullptr);
    path = "/" + straddler->name;
  }
  const ContigResult uncut = ContigWithCut(image, path, 1 << 30, holdStartWindow);
  ASSERT_TRUE(uncut.whole) << path << " is not in one piece";
  EXPECT_EQ(uncut.movedWhole, holdStartWindow);
  EXPECT_EQ(w.Shell("fsck.exfat -n v.img | grep -q ': clean\\.'").first, 0);
  EXPECT_EQ(w.Shell(kJudge).second, expected);
  EXPECT_EQ(w.Shell(kProblems).second, "[]\n");

  for (int k = 0; k < uncut.writes; ++k) {
    ASSERT_EQ(w.Shell("cp pristine.img v.img").first, 0);
    ContigWithCut(image, path, k, holdStartWindow);
    const std::string cut = "cut after write " + std::to_string(k) + " of " + std::to_string(uncut.writes);
    const auto [code, fsck] = w.Shell("fsck.exfat -n v.img");
    EXPECT_TRUE(code == 0 && fsck.find(": clean.") != std::string::npos) << cut << ":\n" << fsck;
    EXPECT_EQ(w.Shell(kJudge).second, expected) << cut;
    // A cut after the switch leaves the file whole in one piece: run again, contig moves nothing
    // and what the cut left stays for the next move (the mover's own test sees it cleared).
    EXPECT_TRUE(ContigWithCut(image, path, 1 << 30, holdStartWindow).whole) << cut << ", run again";
    EXPECT_EQ(w.Shell(kJudge).second, expected) << cut << ", run again";
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, ExfatContig, testing::Bool(), [](const testing::TestParamInfo<bool>& param) {
  return param.param ? "MovedWhole" : "StartKept";
});

}  // namespace
}  // namespace tarvonel::exfat
