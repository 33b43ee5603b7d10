// Whole passes of the program on an exFAT card written through the exFAT FUSE driver, their
// batched writes cut off after every single write in turn, and every write that spans sector
// boundaries torn at each of them (up to eight): fsck.exfat -n says clean, an independent
// reading of the volume finds nothing but clusters in use that no file holds, every file's
// contents are as they were, and the pass then runs again to the same. The card has a
// fragmented file whose entry set lies across a sector boundary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_harness.h"
#include "platform/image/exfat_image.h"
#include "power_cut.h"
#include "shell_workspace.h"

namespace tarvonel::fat {
namespace {

struct Workspace : test::ShellWorkspace {
  Workspace() : ShellWorkspace("tarvonel-exfat-cut") {}
};

const std::string kScripts = TARVONEL_TEST_SCRIPTS;

// The reading's problems but lost clusters, one per line, then every file's path and SHA-1.
const std::string kJudge = "python3 " + kScripts + "/exfat_reference.py v.img | python3 -c 'import json, sys\n"
                           "d = json.load(sys.stdin)\n"
                           "for p in d[\"problems\"]:\n"
                           "    if not p.endswith(\"clusters in use that no file holds\"): print(\"PROBLEM\", p)\n"
                           "for p, f in sorted(d[\"files\"].items()): print(p, f[\"sha1\"])'";

int PassWithCut(const std::string& image, const std::string& pass, int allowed, int tearAt,
                std::vector<int>* boundaries = nullptr) {
  int writes = 0;
  test::ImageHarness h(image, "/drv C: " + pass, [&](const std::string& path) -> std::unique_ptr<VolumeStorage> {
    return std::make_unique<CutStorage>(std::make_unique<FileStorage>(path), allowed, writes, tearAt, boundaries);
  });
  h.program.Volume().AcceptFileSystem("exFAT");
  h.program.Run();
  return writes;
}

class ExfatPassCut : public testing::TestWithParam<const char*> {};

TEST_P(ExfatPassCut, APowerCutAtAnyWriteLosesNoFile) {
  const std::string pass = GetParam();
  Workspace w;
  ASSERT_EQ(w.Shell(". " + kScripts + "/exfat_volume.sh && EXFAT_CARD_BYTES=4194304 EXFAT_ROOT_FILES=36 "
                    "EXFAT_SUB_FILES=8 exfat_fragmented_card pristine.img 1024 && cp pristine.img v.img")
                .first,
            0)
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

// A move that would have to change an entry set whose checksum and stream extension lie in two
// sectors is refused (a torn write there loses the file); the same file's later clusters,
// switched by a FAT entry, still move.
TEST(ExfatMover, NeverChangesASetAcrossASectorBoundaryInPlace) {
  Workspace w;
  ASSERT_EQ(w.Shell(". " + kScripts + "/exfat_volume.sh && EXFAT_CARD_BYTES=4194304 EXFAT_ROOT_FILES=36 "
                    "EXFAT_SUB_FILES=8 exfat_fragmented_card v.img 1024")
                .first,
            0);
  FatVolume volume('C', w.Path("v.img"));
  auto& image = const_cast<ExfatImage&>(dynamic_cast<const ExfatImage&>(volume.Image()));
  DirEntry* straddling = nullptr;
  uint32_t secondPiece = 0;  // where its second piece begins
  for (DirEntry& file : image.Root().children) {
    const uint64_t sector = image.Geometry().bytesPerSector;
    if (file.setOffsets[0] / sector == file.setOffsets[1] / sector) continue;
    for (uint32_t i = 1; i < file.chain.size() && straddling == nullptr; ++i) {
      if (file.chain[i] != file.chain[i - 1] + 1) {
        straddling = &file;
        secondPiece = i;
      }
    }
  }
  ASSERT_NE(straddling, nullptr);
  FileStorage storage(w.Path("v.img"));
  const std::unique_ptr<BatchMover> mover = image.MakeMover(storage);
  uint32_t free = 0;
  while (image.InUse(free + 2) || image.InUse(free + 3)) ++free;
  EXPECT_EQ(mover->Move(*straddling, 0, free, 1), 5u);
  EXPECT_EQ(mover->Move(*straddling, secondPiece, free, 1), 0u);
  EXPECT_EQ(mover->Commit(), 0u);
  EXPECT_EQ(straddling->chain[secondPiece], free + 2);
  EXPECT_EQ(w.Shell("fsck.exfat -n v.img | grep -q ': clean\\.'").first, 0);
}

}  // namespace
}  // namespace tarvonel::fat
