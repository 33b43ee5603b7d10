// Moves on real FAT images, cut off after every single write in turn: fsck.fat must find at
// most reclaimable clusters and FAT copies that differ with the first intact, and every file
// must still read back byte for byte.
#include "open_volume.h"
#include "platform/image/file_storage.h"
#include "filesystems/fat/chain_mover.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "filesystems/fat/fat_image.h"
#include "filesystems/sector_source.h"
#include "fragmented_volume.h"
#include "power_cut.h"
#include "shell_workspace.h"

namespace tarvonel::fat {
namespace {

namespace fs = std::filesystem;

struct Workspace : test::ShellWorkspace {
  Workspace() : ShellWorkspace("tarvonel-move") {}
};

const std::string kFilesReadBack = test::FragmentedVolumeDamage("v.img");

DirEntry* Child(DirEntry& directory, const std::string& name) {
  for (DirEntry& child : directory.children) {
    if (child.name == name) return &child;
  }
  return nullptr;
}

// Moves the whole fragmented file to the volume's end, then a middle run of another one.
uint32_t Defragment(const std::string& image, VolumeStorage& storage) {
  std::unique_ptr<FatImage> volume = OpenFatImage(image);
  ChainMover mover(*volume, storage);
  DirEntry* big = Child(const_cast<DirEntry&>(volume->Root()), "Große Datei.dat");
  const uint32_t end = volume->Geometry().dataClusters;
  const auto length = static_cast<uint32_t>(big->chain.size());
  if (const uint32_t result = mover.MoveClusters(*big, 0, end - length, length)) return result;
  DirEntry* s1 = Child(const_cast<DirEntry&>(volume->Root()), "S1.BIN");
  return mover.MoveClusters(*s1, 2, end - length - 10, 2);
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

// Moves the fragmented file's last two pieces next to each other at the volume's end in one
// batch, the later piece first when `laterFirst`; the moves the batch held before its commit.
uint32_t MoveTwoPieces(const std::string& image, VolumeStorage& storage, bool laterFirst, size_t& batched) {
  std::unique_ptr<FatImage> volume = OpenFatImage(image);
  ChainMover mover(*volume, storage);
  DirEntry* big = Child(const_cast<DirEntry&>(volume->Root()), "Große Datei.dat");
  const std::vector<std::pair<uint32_t, uint32_t>> pieces = Pieces(*big);
  if (pieces.size() < 3) return 1;
  const auto [firstStart, firstEnd] = pieces[pieces.size() - 2];
  const auto [laterStart, laterEnd] = pieces.back();
  const uint32_t target = volume->Geometry().dataClusters - (laterEnd - firstStart);
  const auto moveFirst = [&] { return mover.Move(*big, firstStart, target, firstEnd - firstStart); };
  const auto moveLater = [&] { return mover.Move(*big, laterStart, target + firstEnd - firstStart, laterEnd - laterStart); };
  if (const uint32_t error = laterFirst ? moveLater() : moveFirst()) return error;
  if (const uint32_t error = laterFirst ? moveFirst() : moveLater()) return error;
  batched = mover.PendingMoves();
  return mover.Commit();
}

using test::Described;
using test::FragmentedVolume;
using test::VolumeKind;

const VolumeKind kKinds[] = {
    {"-F 12 -s 2", 4096, 512, 1024},          {"-F 16 -s 1", 4096, 512, 512},
    {"-F 32 -s 1", 40000, 512, 512},          {"-F 12 -S 4096 -s 1", 4096, 4096, 4096},
    {"-F 16 -S 4096 -s 1", 20000, 4096, 4096}, {"-F 32 -S 4096 -s 1", 270000, 4096, 4096}};

TEST(ChainMover, APowerCutAtAnyWriteLosesNoFile) {
  for (const VolumeKind& kind : kKinds) {
    // Restoring a 256 MiB image before each cut would take minutes; its FAT32 entries and 4 KiB
    // sectors are each cut on the smaller volumes.
    if (kind.kib > 20000) continue;
    Workspace w;
    const std::string format = Described(kind);
    auto [status, output] = w.Shell(FragmentedVolume(kind, "pristine.img"));
    ASSERT_EQ(status, 0) << output;
    ASSERT_EQ(w.Shell("fsck.fat -n pristine.img").first, 0) << "the image starts clean";

    // The whole move, to learn how many writes it makes, and that it ends clean.
    fs::copy_file(w.Path("pristine.img"), w.Path("v.img"), fs::copy_options::overwrite_existing);
    int totalWrites = 0;
    {
      CutStorage counting(std::make_unique<image::FileStorage>(w.Path("v.img")), 1 << 30, totalWrites);
      ASSERT_EQ(Defragment(w.Path("v.img"), counting), 0u) << format;
    }
    auto [clean, report] = w.Shell("fsck.fat -n v.img");
    EXPECT_EQ(clean, 0) << format << "\n" << report;
    EXPECT_EQ(w.Shell(kFilesReadBack).second, "") << format;
    std::unique_ptr<FatImage> moved = OpenFatImage(w.Path("v.img"));
    const DirEntry* big = Child(const_cast<DirEntry&>(moved->Root()), "Große Datei.dat");
    for (size_t i = 1; i < big->chain.size(); ++i) EXPECT_EQ(big->chain[i], big->chain[i - 1] + 1) << format;
    ASSERT_GT(totalWrites, 10) << format;

    for (int k = 0; k < totalWrites; ++k) {
      fs::copy_file(w.Path("pristine.img"), w.Path("v.img"), fs::copy_options::overwrite_existing);
      {
        int writes = 0;
        CutStorage cut(std::make_unique<image::FileStorage>(w.Path("v.img")), k, writes);
        EXPECT_NE(Defragment(w.Path("v.img"), cut), 0u) << "a cut move reports failure";
      }
      auto [code, fsck] = w.Shell("fsck.fat -n v.img");
      EXPECT_TRUE(code <= 1 && OnlyHarmlessFindings(fsck)) << format << ", cut after write " << k << ":\n" << fsck;
      EXPECT_EQ(w.Shell(kFilesReadBack).second, "") << format << ", cut after write " << k;
    }
  }
}

// Two pieces of one file share a batch: one switch leads into a new run whose chain leads on
// into the other's old or new clusters. Cut after any write of the commit, in either order of
// the moves, fsck.fat finds at most what a cut may leave and every file reads back.
TEST(ChainMover, PiecesOfOneFileShareABatchAndACutAnywhereLosesNoFile) {
  for (const VolumeKind& kind : {kKinds[0], kKinds[2]}) {
    for (const bool laterFirst : {false, true}) {
      const std::string what = Described(kind) + (laterFirst ? ", the later piece first" : ", in order");
      Workspace w;
      ASSERT_EQ(w.Shell(FragmentedVolume(kind, "pristine.img")).first, 0) << what;
      fs::copy_file(w.Path("pristine.img"), w.Path("v.img"), fs::copy_options::overwrite_existing);
      int total = 0;
      size_t batched = 0;
      {
        CutStorage counting(std::make_unique<image::FileStorage>(w.Path("v.img")), 1 << 30, total);
        ASSERT_EQ(MoveTwoPieces(w.Path("v.img"), counting, laterFirst, batched), 0u) << what;
      }
      EXPECT_EQ(batched, 2u) << what;
      EXPECT_EQ(w.Shell("fsck.fat -n v.img").first, 0) << what;
      EXPECT_EQ(w.Shell(kFilesReadBack).second, "") << what;
      for (int k = 0; k < total; ++k) {
        fs::copy_file(w.Path("pristine.img"), w.Path("v.img"), fs::copy_options::overwrite_existing);
        {
          int writes = 0;
          CutStorage cut(std::make_unique<image::FileStorage>(w.Path("v.img")), k, writes);
          MoveTwoPieces(w.Path("v.img"), cut, laterFirst, batched);
        }
        auto [code, fsck] = w.Shell("fsck.fat -n v.img");
        EXPECT_TRUE(code <= 1 && OnlyHarmlessFindings(fsck)) << what << ", cut after write " << k << ":\n" << fsck;
        EXPECT_EQ(w.Shell(kFilesReadBack).second, "") << what << ", cut after write " << k;
      }
    }
  }
}

// Passes every write and flush on, and keeps the writes' places.
class RecordingStorage : public VolumeStorage {
 public:
  explicit RecordingStorage(std::unique_ptr<VolumeStorage> inner) : inner_(std::move(inner)) {}
  bool Read(uint64_t offset, void* buffer, size_t length) override { return inner_->Read(offset, buffer, length); }
  bool Write(uint64_t offset, const void* buffer, size_t length) override {
    writes_.push_back({flushes_, offset, length});
    return inner_->Write(offset, buffer, length);
  }
  bool Flush() override {
    ++flushes_;
    return inner_->Flush();
  }
  // The sectors of 512 bytes touched by the writes made after the `flushes`-th flush.
  std::vector<std::pair<uint64_t, uint64_t>> SectorsWrittenAfterFlush(int flushes) const {
    std::vector<std::pair<uint64_t, uint64_t>> sectors;
    for (const WriteRecord& write : writes_) {
      if (write.flushesBefore == flushes) sectors.emplace_back(write.offset / 512, (write.offset + write.length - 1) / 512);
    }
    return sectors;
  }

 private:
  struct WriteRecord {
    int flushesBefore;
    uint64_t offset;
    size_t length;
  };
  std::unique_ptr<VolumeStorage> inner_;
  std::vector<WriteRecord> writes_;
  int flushes_ = 0;
};

// FAT[341] of a FAT12 volume lies in the last byte of one sector and the first of the next.
TEST(ChainMover, AFat12SwitchAcrossASectorBoundaryWritesOneSectorWhenItCan) {
  Workspace w;
  ASSERT_EQ(w.Shell("mkfs.fat -C -F 12 -s 1 v.img 2048 >/dev/null && head -c 173568 /dev/urandom > filler && "
                    "mcopy -i v.img filler ::/FILLER && head -c 5000 /dev/urandom > f && mcopy -i v.img f ::/F.BIN")
                .first,
            0);
  std::unique_ptr<FatImage> volume = OpenFatImage(w.Path("v.img"));
  DirEntry* f = Child(const_cast<DirEntry&>(volume->Root()), "F.BIN");
  ASSERT_EQ(f->chain.front(), 341u) << "the filler takes clusters 2 to 340";
  ASSERT_EQ(f->chain[1], 342u);
  {
    RecordingStorage storage(std::make_unique<image::FileStorage>(w.Path("v.img")));
    ChainMover mover(*volume, storage);
    // 342 (0x156) becomes 502 (0x1F6): the low nibble, in the first sector, keeps its value.
    ASSERT_EQ(mover.MoveClusters(*f, 1, 500, 9), 0u);
    // Copy, flush, new chain, flush, then the switch: one write for each FAT copy.
    const auto switches = storage.SectorsWrittenAfterFlush(2);
    ASSERT_EQ(switches.size(), 2u);
    for (const auto& [first, last] : switches) EXPECT_EQ(first, last) << "the switch is a one-sector write";
    EXPECT_EQ(f->chain[1], 502u);
    // 502 (0x1F6) becomes 600 (0x258): both halves change, and still the move is sound.
    ASSERT_EQ(mover.MoveClusters(*f, 1, 598, 9), 0u);
  }
  EXPECT_EQ(w.Shell("fsck.fat -n v.img").first, 0);
  EXPECT_EQ(w.Shell("mcopy -i v.img ::/F.BIN - | cmp - f && mcopy -i v.img ::/FILLER - | cmp - filler").first, 0);
}

TEST(ChainMover, ArgumentsAreCheckedAsTheWindowsDriverDoes) {
  Workspace w;
  ASSERT_EQ(w.Shell("mkfs.fat -C -F 16 -s 1 v.img 4096 && head -c 3000 /dev/urandom > f && mcopy -i v.img f ::/F.BIN "
                    "&& mmd -i v.img ::/D")
                .first,
            0);
  std::unique_ptr<FatImage> volume = OpenFatImage(w.Path("v.img"));
  image::FileStorage file(w.Path("v.img"));
  ChainMover mover(*volume, file);
  DirEntry& root = const_cast<DirEntry&>(volume->Root());
  DirEntry* f = Child(root, "F.BIN");
  DirEntry* d = Child(root, "D");
  const uint32_t total = volume->Geometry().dataClusters;
  EXPECT_EQ(mover.MoveClusters(*f, 0, 100, 0), 87u) << "no clusters";
  EXPECT_EQ(mover.MoveClusters(*f, 0, total - 2, 6), 87u) << "past the volume's end";
  EXPECT_EQ(mover.MoveClusters(*d, 0, 100, 1), 87u) << "a directory's first cluster";
  EXPECT_EQ(mover.MoveClusters(root, 0, 100, 1), 87u) << "the fixed root";
  EXPECT_EQ(mover.MoveClusters(*f, 1, f->chain[0] - 2, 2), 87u) << "onto clusters in use";
  EXPECT_EQ(mover.MoveClusters(*f, 40, 100, 2), 0u) << "past the file's end moves nothing";
  EXPECT_EQ(mover.MoveClusters(*f, 4, 200, 10), 0u) << "the count is clipped to the file";
  EXPECT_EQ(f->chain.back(), 203u);
  EXPECT_EQ(w.Shell("fsck.fat -n v.img").first, 0);
  EXPECT_EQ(w.Shell("mcopy -i v.img ::/F.BIN - | cmp - f").first, 0);
}

}  // namespace
}  // namespace tarvonel::fat

#include <map>
#include <vector>

#include "image_harness.h"
#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/win32_codes.h"

namespace tarvonel::fat {
namespace {

using Runs = std::vector<std::pair<int64_t, int64_t>>;

void AddRun(Runs& runs, int64_t lcn, int64_t length) {
  if (!runs.empty() && runs.back().first + runs.back().second == lcn) {
    runs.back().second += length;
  } else {
    runs.emplace_back(lcn, length);
  }
}

// Every file's and folder's clusters as the program reads them through the volume role:
// the directory walk, then each entry's retrieval pointers, by path.
void CollectSeenRuns(VolumeIo& io, const std::string& below, std::map<std::string, Runs>& out) {
  FindEntry entry;
  uint32_t error = 0;
  std::unique_ptr<OsFindHandle> search = io.FindFirst("\\\\?\\C:\\" + below + "*", entry, error);
  for (bool more = search != nullptr; more; more = io.FindNext(*search, entry, error)) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string path = below + entry.name;
    OpenResult opened = io.OpenPath("\\\\?\\C:\\" + path, 0, 7, win32::kFlagBackupSemantics);
    ASSERT_NE(opened.handle, nullptr) << path;
    Runs& runs = out[path];
    uint8_t output[4096];
    for (int64_t vcn = 0;;) {
      uint8_t input[8];
      le::PutI64(input, vcn);
      uint32_t bytes = 0;
      const uint32_t result = io.DeviceIoControl(*opened.handle, win32::kFsctlGetRetrievalPointers, input, 8, output,
                                                 sizeof output, bytes);
      if (result != 0 && result != 234) break;  // 234: more data
      const uint32_t extents = le::U32(output);
      int64_t start = le::I64(output + 8);
      for (uint32_t i = 0; i < extents; ++i) {
        const int64_t next = le::I64(output + 16 + 16 * i);
        AddRun(runs, le::I64(output + 24 + 16 * i), next - start);
        start = next;
      }
      if (result == 0) break;
      vcn = start;
    }
    if (runs.empty()) out.erase(path);
    if ((entry.attributes & win32::kAttributeDirectory) != 0) CollectSeenRuns(io, path + "\\", out);
  }
}

// Every file's and folder's chain, read anew from the medium.
void CollectImageRuns(const DirEntry& directory, std::map<std::string, Runs>& out) {
  for (const DirEntry& child : directory.children) {
    for (uint32_t cluster : child.chain) AddRun(out[child.path], int64_t{cluster} - 2, 1);
    if (child.IsDirectory()) CollectImageRuns(child, out);
  }
}

// The drive as the program sees it after its pass is the image as it now is: the answers and
// the medium never parted.
void ExpectDriveIsImage(VolumeIo& io, const std::string& image, const std::string& what) {
  std::map<std::string, Runs> seen;
  std::map<std::string, Runs> read;
  CollectSeenRuns(io, "", seen);
  CollectImageRuns(OpenFatImage(image)->Root(), read);
  EXPECT_FALSE(seen.empty()) << what;
  EXPECT_EQ(seen, read) << what;
}

size_t FragmentedFiles(const DirEntry& directory) {
  size_t count = 0;
  for (const DirEntry& child : directory.children) {
    for (size_t i = 1; i < child.chain.size(); ++i) {
      if (child.chain[i] != child.chain[i - 1] + 1) {
        ++count;
        break;
      }
    }
    if (child.IsDirectory()) count += FragmentedFiles(child);
  }
  return count;
}

// Every pass of the program on real images: fsck.fat finds nothing, every file reads back.
TEST(ImagePasses, DefragOptimizeAndCompactLeaveSoundVolumesAndWholeFiles) {
  for (const VolumeKind& kind : kKinds) {
    for (const char* pass : {"/d", "/o", "/c"}) {
      Workspace w;
      const std::string format = Described(kind);
      ASSERT_EQ(w.Shell(FragmentedVolume(kind, "v.img")).first, 0);
      ASSERT_GT(FragmentedFiles(OpenFatImage(w.Path("v.img"))->Root()), 0u);
      test::ImageHarness h(w.Path("v.img"), pass);
      h.program.Run();
      // Compact finds nothing far back on these small, front-filled volumes; the others move.
      if (std::string(pass) != "/c") {
        EXPECT_GT(h.platform.Moves(), 0) << format << " " << pass;
      }
      EXPECT_EQ(h.C().Refusal(), "") << format << " " << pass;
      ExpectDriveIsImage(h.platform.Drives(), w.Path("v.img"), format + " " + pass);
      auto [code, fsck] = w.Shell("fsck.fat -n v.img");
      EXPECT_EQ(code, 0) << format << " " << pass << "\n" << fsck;
      EXPECT_EQ(w.Shell(kFilesReadBack).second, "") << format << " " << pass;
      if (std::string(pass) == "/d") {
        EXPECT_EQ(FragmentedFiles(OpenFatImage(w.Path("v.img"))->Root()), 0u) << format;
      }
    }
  }
}

TEST(ImagePasses, AnImageAttachedToALoopDeviceIsNeverWritten) {
  Workspace w;
  ASSERT_EQ(w.Shell("mkfs.fat -C -F 16 -s 1 v.img 4096 && head -c 3000 /dev/urandom > f && mcopy -i v.img f ::/F.BIN && "
                    "mkdir -p sys/loop7/loop && realpath v.img > sys/loop7/loop/backing_file && echo 7:7 > sys/loop7/dev "
                    "&& touch mountinfo && cp v.img before.img")
                .first,
            0);
  image::ImageVolume volume('C', w.Path("v.img"), {w.Path("mountinfo"), w.Path("sys")});
  OpenResult drive = volume.OpenPath("\\\\.\\C:", 0, 3, 0);
  OpenResult file = volume.OpenPath("\\\\?\\C:\\F.BIN", 0, 7, 0);
  ASSERT_NE(drive.handle, nullptr);
  ASSERT_NE(file.handle, nullptr);
  EXPECT_EQ(volume.MoveFileClusters(*drive.handle, *file.handle, 0, 500, 1), 19u) << "write-protected";
  EXPECT_THAT(volume.Refusal(), testing::HasSubstr("attached to /dev/loop7; detach it first"));
  EXPECT_EQ(w.Shell("cmp v.img before.img").first, 0) << "not a byte written";
}

}  // namespace
}  // namespace tarvonel::fat

namespace tarvonel::fat {
namespace {

const char* const kRecipe =
    "mkfs.fat -C -F 16 -s 1 pristine.img 4096 && for i in 1 2 3 4 5 6; do head -c 2500 /dev/urandom > S$i; "
    "mcopy -i pristine.img S$i ::/S$i.BIN; done && mdel -i pristine.img ::/S2.BIN ::/S4.BIN && head -c 9000 "
    "/dev/urandom > big && mcopy -i pristine.img big ::/BIG.DAT && head -c 3000 /dev/urandom > late && mcopy -i "
    "pristine.img late ::/LATE.DAT";
const char* const kRecipeFiles =
    "for f in S1 S3 S5 S6; do mcopy -i v.img ::/$f.BIN - | cmp -s - $f || echo \"damaged $f\"; done; "
    "mcopy -i v.img ::/BIG.DAT - | cmp -s - big || echo 'damaged big'; "
    "mcopy -i v.img ::/LATE.DAT - | cmp -s - late || echo 'damaged late'";

// The program's whole Defrag on the image, its writes cut off after `allowed`; the writes made.
int DefragWithCut(Workspace& w, int allowed) {
  int writes = 0;
  test::ImageHarness h(w.Path("v.img"), "/d", [&](const std::string& path) -> std::unique_ptr<VolumeStorage> {
    return std::make_unique<CutStorage>(std::make_unique<image::FileStorage>(path), allowed, writes);
  });
  h.program.Run();
  return writes;
}

TEST(ImagePasses, APowerCutAtAnyWriteOfAWholeDefragLosesNoFile) {
  Workspace w;
  ASSERT_EQ(w.Shell(kRecipe).first, 0);
  auto restore = [&] { fs::copy_file(w.Path("pristine.img"), w.Path("v.img"), fs::copy_options::overwrite_existing); };
  restore();
  const int total = DefragWithCut(w, 1 << 30);
  ASSERT_GT(total, 10);
  ASSERT_EQ(w.Shell("fsck.fat -n v.img").first, 0);
  for (int k = 0; k < total; ++k) {
    restore();
    DefragWithCut(w, k);
    auto [code, fsck] = w.Shell("fsck.fat -n v.img");
    EXPECT_TRUE(code <= 1 && OnlyHarmlessFindings(fsck)) << "cut after write " << k << ":\n" << fsck;
    EXPECT_EQ(w.Shell(kRecipeFiles).second, "") << "cut after write " << k;
    if (fsck.find("FATs differ") != std::string::npos) {
      EXPECT_THROW(OpenFatImage(w.Path("v.img")), VolumeError) << "a half-written FAT waits for a check";
    }
    // Once repaired, the volume is taken up again and the job finished.
    ASSERT_LE(w.Shell("fsck.fat -a v.img").first, 1) << "cut after write " << k;
    DefragWithCut(w, 1 << 30);
    EXPECT_EQ(w.Shell("fsck.fat -n v.img").first, 0) << "cut after write " << k << ", repaired and defragmented";
    EXPECT_EQ(w.Shell(kRecipeFiles).second, "") << "cut after write " << k << ", repaired and defragmented";
    EXPECT_EQ(FragmentedFiles(OpenFatImage(w.Path("v.img"))->Root()), 0u) << "cut after write " << k;
  }
}

// Twelve levels of folders, a folder of 520 entries, long and non-ASCII names, and the same
// volume filled to the last cluster: every pass leaves fsck.fat nothing and every file whole.
TEST(ImagePasses, DeepWideAndFullVolumes) {
  for (bool fill : {false, true}) {
    Workspace w;
    const std::string deep = "src/l1/l2/l3/l4/l5/l6/l7/l8/l9/l10/l11/l12";
    ASSERT_EQ(w.Shell("mkfs.fat -C -F 16 -s 1 v.img 8192 && mkdir -p " + deep + " src/wide && head -c 5000 /dev/urandom "
                      "> " + deep + "/tief.bin && for i in $(seq 1 520); do head -c 40 /dev/urandom > src/wide/w$i; done "
                      "&& for i in 1 2 3 4; do head -c 3000 /dev/urandom > src/f$i; mcopy -i v.img src/f$i ::/f$i; done "
                      "&& mdel -i v.img ::/f2 && rm src/f2 && head -c 12000 /dev/urandom > 'src/Ünïcode long name.dat' "
                      "&& mcopy -i v.img 'src/Ünïcode long name.dat' :: && mcopy -s -i v.img src/l1 src/wide ::/")
                  .first,
              0);
    if (fill) {
      const std::string free = w.Shell("mdir -i v.img ::/ | awk '/bytes free/ { gsub(/[^0-9]/, \"\"); print }'").second;
      ASSERT_EQ(w.Shell("head -c " + free.substr(0, free.find('\n')) + " /dev/urandom > src/fill && mcopy -i v.img src/fill ::/fill").first, 0);
    }
    for (const char* pass : {"/o", "/d", "/c"}) {
      test::ImageHarness h(w.Path("v.img"), pass);
      h.program.Run();
      EXPECT_EQ(h.C().Refusal(), "") << pass;
      ExpectDriveIsImage(h.platform.Drives(), w.Path("v.img"), std::string(fill ? "full " : "") + pass);
      auto [code, fsck] = w.Shell("fsck.fat -n v.img");
      EXPECT_EQ(code, 0) << (fill ? "full " : "") << pass << "\n" << fsck;
      EXPECT_EQ(w.Shell("rm -rf out && mkdir out && mcopy -s -n -i v.img '::/*' out/ && diff -r src out").second, "")
          << (fill ? "full " : "") << pass;
    }
  }
}

}  // namespace
}  // namespace tarvonel::fat
