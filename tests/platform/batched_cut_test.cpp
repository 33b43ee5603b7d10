// Whole passes of the program on FAT images, their batched writes cut off after every single
// write in turn: fsck.fat may at worst reclaim clusters or keep the first FAT, every file reads
// back byte for byte, and once fsck.fat -a has run the program takes the volume up again.
#include <gtest/gtest.h>

#include <string>

#include "platform/image/file_storage.h"
#include "fragmented_volume.h"
#include "image_harness.h"
#include "filesystems/fat/fat_image.h"
#include "power_cut.h"
#include "shell_workspace.h"

namespace tarvonel::fat {
namespace {

struct Workspace : test::ShellWorkspace {
  Workspace() : ShellWorkspace("tarvonel-batch") {}
};

// Twenty-four files of two clusters with every other one deleted, four of five clusters
// written into the gaps (fragmented, two gaps left), a file of zeros holding four fifths of the
// rest, then a folder of eight at the volume's end, a gap before it (written after a filler,
// then the filler deleted): a Defrag and an Optimize make several moves per batch, Compact
// brings the folder's files forward into the gap.
std::string Recipe(const test::VolumeKind& kind) {
  const std::string img = "pristine.img";
  const std::string c = std::to_string(kind.clusterBytes);
  return "C=" + c + " && mkfs.fat -C " + std::string(kind.format) + " " + img + " " + std::to_string(kind.kib) +
         " >/dev/null && mkdir -p src/sub && for i in $(seq 1 24); do head -c $((2 * C - 5)) /dev/urandom > src/f$i; done && "
         "mcopy -i " + img + " $(for i in $(seq 1 24); do echo src/f$i; done) ::/ && for i in $(seq 1 2 23); do "
         "mdel -i " + img + " ::/f$i && rm src/f$i; done && " + test::ForgetFreeHint(kind, img) +
         "for i in 1 2 3 4; do head -c $((5 * C - 9)) /dev/urandom > src/g$i; mcopy -i " + img + " src/g$i ::/; done && "
         "mmd -i " + img + " ::/sub && free=$(mdir -i " + img + " ::/ | awk '/bytes free/ { gsub(/[^0-9]/, \"\"); print }') && "
         "head -c $((free * 4 / 5 / C * C)) /dev/zero > keep && mcopy -i " + img + " keep ::/ && "
         "head -c $((free / 5 / C * C - 24 * C)) /dev/zero > keep && mcopy -i " + img + " keep ::/filler && rm keep && "
         "for i in $(seq 1 8); do head -c $((2 * C - 5)) /dev/urandom > src/sub/b$i; done && mcopy -i " + img +
         " src/sub/b* ::/sub/ && mdel -i " + img + " ::/filler";
}

// Every file but the zeros, compared with what was written; fsck.fat -a keeps the clusters a
// cut left over as FSCK0000.REC and so on, which are no files of ours.
const std::string kFilesReadBack =
    "rm -rf out && mkdir out && mcopy -s -n -i v.img '::/f*' '::/g*' ::/sub out/ && diff -r -x 'fsck*' -x 'FSCK*' "
    "-x 'fSCK*' src out";

// The pass on v.img with its writes cut off after `allowed`; the writes made.
int PassWithCut(const std::string& image, const std::string& pass, int allowed) {
  int writes = 0;
  test::ImageHarness h(image, pass, [&](const std::string& path) -> std::unique_ptr<VolumeStorage> {
    return std::make_unique<CutStorage>(std::make_unique<image::FileStorage>(path), allowed, writes);
  });
  h.program.Run();
  return writes;
}

void CutEveryWrite(const test::VolumeKind& kind, const std::string& pass) {
  const std::string what = test::Described(kind) + " " + pass;
  Workspace w;
  ASSERT_EQ(w.Shell(Recipe(kind)).first, 0) << what;
  const std::string image = w.Path("v.img");
  // Sparse: the large volumes are mostly zeros, and they are restored before every cut.
  auto restore = [&] { ASSERT_EQ(w.Shell("cp --sparse=always pristine.img v.img").first, 0); };
  restore();
  const int total = PassWithCut(image, pass, 1 << 30);
  ASSERT_EQ(w.Shell("fsck.fat -n v.img").first, 0) << what;
  ASSERT_EQ(w.Shell(kFilesReadBack).second, "") << what;
  if (pass != "/c") {
    ASSERT_GT(total, 0) << what << ": the pass moved something";
  }
  for (int k = 0; k < total; ++k) {
    restore();
    PassWithCut(image, pass, k);
    const std::string cut = what + ", cut after write " + std::to_string(k) + " of " + std::to_string(total);
    auto [code, fsck] = w.Shell("fsck.fat -n v.img");
    EXPECT_TRUE(code <= 1 && OnlyHarmlessFindings(fsck)) << cut << ":\n" << fsck;
    EXPECT_EQ(w.Shell(kFilesReadBack).second, "") << cut;
    ASSERT_LE(w.Shell("fsck.fat -a v.img").first, 1) << cut;
    PassWithCut(image, pass, 1 << 30);
    EXPECT_EQ(w.Shell("fsck.fat -n v.img").first, 0) << cut << ", repaired and run again";
    EXPECT_EQ(w.Shell(kFilesReadBack).second, "") << cut << ", repaired and run again";
  }
}

const test::VolumeKind kKinds[] = {{"-F 12 -s 2", 4096, 512, 1024},         {"-F 16 -s 1", 4096, 512, 512},
                                   {"-F 32 -s 1", 40000, 512, 512},         {"-F 12 -S 4096 -s 1", 4096, 4096, 4096},
                                   {"-F 16 -S 4096 -s 1", 20000, 4096, 4096}, {"-F 32 -S 4096 -s 1", 270000, 4096, 4096}};

class BatchedPassCut : public testing::TestWithParam<const char*> {};

TEST_P(BatchedPassCut, APowerCutAtAnyWriteLosesNoFile) {
  for (const test::VolumeKind& kind : kKinds) CutEveryWrite(kind, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Passes, BatchedPassCut, testing::Values("/d", "/o", "/c"),
                         [](const testing::TestParamInfo<const char*>& param) {
                           const std::string pass = param.param;
                           return pass == "/d" ? "Defrag" : pass == "/o" ? "Optimize" : "Compact";
                         });

}  // namespace
}  // namespace tarvonel::fat
