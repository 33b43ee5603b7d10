// contig on FAT images, its writes cut off after every single write in turn: at worst fsck.fat
// reclaims clusters or keeps the first FAT, every file reads back byte for byte, and once
// fsck.fat -a has run, contig takes the volume up again and finishes.
#include <gtest/gtest.h>

#include <string>

#include "fragmented_volume.h"
#include "front/linux/tool/tool_run.h"
#include "placement/contiguous_file.h"
#include "filesystems/fat/fat_image.h"
#include "platform/image/file_storage.h"
#include "platform/image/image_volume.h"
#include "power_cut.h"
#include "shell_workspace.h"

namespace tarvonel::fat {
namespace {

struct Workspace : test::ShellWorkspace {
  Workspace() : ShellWorkspace("tarvonel-contig") {}
};

// Twenty-four files of two clusters, every other one deleted, then BIG.ISO of twelve clusters
// written into the gaps (six pieces), and the rest of the volume filled but eight clusters: no
// free run holds BIG.ISO, so other files must be moved out of its way.
std::string Recipe(const test::VolumeKind& kind) {
  const std::string img = "pristine.img";
  return "C=" + std::to_string(kind.clusterBytes) + " && mkfs.fat -C " + kind.format + " " + img + " " +
         std::to_string(kind.kib) + " >/dev/null && mkdir -p src && for i in $(seq 1 24); do head -c $((2 * C - 5)) "
         "/dev/urandom > src/f$i; done && mcopy -i " + img + " $(for i in $(seq 1 24); do echo src/f$i; done) ::/ && "
         "for i in $(seq 1 2 23); do mdel -i " + img + " ::/f$i && rm src/f$i; done && " + test::ForgetFreeHint(kind, img) +
         "head -c $((12 * C - 7)) /dev/urandom > src/BIG.ISO && mcopy -i " + img + " src/BIG.ISO ::/ && "
         "free=$(mdir -i " + img + " ::/ | awk '/bytes free/ { gsub(/[^0-9]/, \"\"); print }') && "
         "head -c $((free / C * C - 8 * C)) /dev/zero > rest && mcopy -i " + img + " rest ::/REST";
}

// fsck.fat -a keeps the clusters a cut left over as FSCK0000.REC and so on, no files of ours.
const std::string kFilesReadBack =
    "rm -rf out && mkdir out && mcopy -n -i v.img '::/f*' ::/BIG.ISO out/ && diff -r -x 'fSCK*' -x 'FSCK*' src out";

// contig of BIG.ISO with the writes cut off after `allowed`; the writes made and whether the
// file ended in one piece.
std::pair<int, bool> ContigWithCut(const std::string& image, int allowed) {
  int writes = 0;
  ToolVolume volume(image, false, [&](const std::string& path) -> std::unique_ptr<VolumeStorage> {
    return std::make_unique<CutStorage>(std::make_unique<image::FileStorage>(path), allowed, writes);
  });
  std::string problem;
  EXPECT_TRUE(volume.Select(problem)) << problem;
  const std::vector<FileLayout> layouts = volume.Walk();
  const std::optional<size_t> target = FindLayout(layouts, "/big.iso");
  EXPECT_TRUE(target.has_value());
  if (!target) return {writes, false};
  const ContiguousPlan plan = PlanContiguous(layouts, *target, volume.InUse());
  EXPECT_TRUE(plan.possible) << plan.problem;
  ContiguousMaker maker(volume.Mover(), volume.Extents(), volume.VolumeHandle());
  const ContiguousOutcome outcome = maker.Carry(layouts, *target, plan, {}, {});
  const bool committed = volume.Card()->CommitPendingMoves();
  const std::vector<FileLayout> after = volume.Walk();
  const std::optional<size_t> now = FindLayout(after, "/big.iso");
  return {writes, outcome.error.empty() && committed && now && after[*now].runs.size() == 1};
}

void CutEveryWrite(const test::VolumeKind& kind) {
  const std::string what = test::Described(kind);
  Workspace w;
  ASSERT_EQ(w.Shell(Recipe(kind)).first, 0) << what;
  const std::string image = w.Path("v.img");
  auto restore = [&] { ASSERT_EQ(w.Shell("cp --sparse=always pristine.img v.img").first, 0); };
  restore();
  const auto [total, whole] = ContigWithCut(image, 1 << 30);
  ASSERT_TRUE(whole) << what << ": contig without a cut";
  ASSERT_EQ(w.Shell("fsck.fat -n v.img").first, 0) << what;
  ASSERT_EQ(w.Shell(kFilesReadBack).second, "") << what;
  ASSERT_GT(total, 0) << what;
  for (int k = 0; k < total; ++k) {
    restore();
    ContigWithCut(image, k);
    const std::string cut = what + ", cut after write " + std::to_string(k) + " of " + std::to_string(total);
    auto [code, fsck] = w.Shell("fsck.fat -n v.img");
    EXPECT_TRUE(code <= 1 && OnlyHarmlessFindings(fsck)) << cut << ":\n" << fsck;
    EXPECT_EQ(w.Shell(kFilesReadBack).second, "") << cut;
    // The repair keeps what a cut left over as files; their room is needed again.
    ASSERT_LE(w.Shell("fsck.fat -a v.img").first, 1) << cut;
    w.Shell("mdel -i v.img '::/FSCK*.REC'");
    EXPECT_TRUE(ContigWithCut(image, 1 << 30).second) << cut << ", repaired and run again";
    EXPECT_EQ(w.Shell("fsck.fat -n v.img").first, 0) << cut << ", repaired and run again";
    EXPECT_EQ(w.Shell(kFilesReadBack).second, "") << cut << ", repaired and run again";
  }
}

TEST(ContigCut, APowerCutAtAnyWriteLosesNoFile) {
  const test::VolumeKind kinds[] = {{"-F 12 -s 2", 1024, 512, 1024}, {"-F 16 -S 4096 -s 1", 20000, 4096, 4096},
                                    {"-F 32 -s 1", 40000, 512, 512}};
  for (const test::VolumeKind& kind : kinds) CutEveryWrite(kind);
}

}  // namespace
}  // namespace tarvonel::fat
