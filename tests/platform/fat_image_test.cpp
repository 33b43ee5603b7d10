// FAT images made and filled by mkfs.fat and mtools, read by FatImage and checked against
// what mtools itself reports of the same files.
#include "open_volume.h"
#include "filesystems/fat/fat_image.h"

#include "fragmented_volume.h"
#include "shell_workspace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace tarvonel::fat {
namespace {

namespace fs = std::filesystem;

// The workspace of these tests: a command that fails fails the test.
struct ImageDir : test::ShellWorkspace {
  ImageDir() : ShellWorkspace("tarvonel-fat") {}
  std::string Run(const std::string& command) const {
    auto [status, output] = Shell(command);
    EXPECT_EQ(status, 0) << command << "\n" << output;
    return output;
  }
  std::string Image() const { return Path("volume.img"); }
};

// "::/name <2-5> <9-10>" from mshowfat, as the list of clusters.
std::vector<uint32_t> ChainFromMshowfat(const std::string& line) {
  std::vector<uint32_t> clusters;
  for (size_t open = line.find('<'); open != std::string::npos; open = line.find('<', open + 1)) {
    const size_t dash = line.find('-', open);
    const size_t close = line.find('>', open);
    uint32_t first = static_cast<uint32_t>(std::stoul(line.substr(open + 1)));
    uint32_t last = dash != std::string::npos && dash < close ? static_cast<uint32_t>(std::stoul(line.substr(dash + 1))) : first;
    for (uint32_t c = first; c <= last; ++c) clusters.push_back(c);
  }
  return clusters;
}

const DirEntry* Find(const DirEntry& directory, const std::string& name) {
  for (const DirEntry& child : directory.children) {
    if (child.name == name) return &child;
  }
  return nullptr;
}

void MakeFragmented(ImageDir& d, const test::VolumeKind& kind) { d.Run(test::FragmentedVolume(kind, "volume.img")); }

TEST(FatImage, Fat12Fat16AndFat32ChainsAgreeWithMtools) {
  const test::VolumeKind kinds[] = {{"-F 12 -s 1", 2048, 512, 512},
                                    {"-F 16 -s 1", 8192, 512, 512},
                                    {"-F 32 -s 1", 40000, 512, 512},
                                    {"-F 32 -s 8", 300000, 512, 4096},
                                    {"-F 32 -S 4096 -s 1", 270000, 4096, 4096}};
  for (const test::VolumeKind& kind : kinds) {
    const std::string options = test::Described(kind);
    ImageDir d;
    MakeFragmented(d, kind);
    std::unique_ptr<FatImage> image = OpenFatImage(d.Image());
    const DirEntry* big = Find(image->Root(), "Große Datei.dat");
    ASSERT_NE(big, nullptr) << options;
    EXPECT_EQ(big->size, 18u * kind.clusterBytes - 216) << options;
    EXPECT_EQ(image->Geometry().bytesPerSector, static_cast<uint32_t>(kind.sectorBytes)) << options;
    EXPECT_EQ(big->chain, ChainFromMshowfat(d.Run("mshowfat -i volume.img '::/Große Datei.dat'"))) << options;
    size_t runs = 1;
    for (size_t i = 1; i < big->chain.size(); ++i) runs += big->chain[i] != big->chain[i - 1] + 1 ? 1 : 0;
    EXPECT_GT(runs, 1u) << "the large file filled the gaps, so it is fragmented: " << options;
    const DirEntry* a = Find(image->Root(), "a");
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(a->IsDirectory());
    const DirEntry* x = Find(*Find(*a, "b"), "x.txt");
    ASSERT_NE(x, nullptr) << options;
    EXPECT_EQ(x->path, "a\\b\\x.txt");
    EXPECT_EQ(x->chain, ChainFromMshowfat(d.Run("mshowfat -i volume.img ::/a/b/x.txt")));
    EXPECT_EQ(Find(image->Root(), "S2.BIN"), nullptr) << "deleted entries are gone";
    EXPECT_NE(Find(image->Root(), "S1.BIN"), nullptr);
    EXPECT_FALSE(image->Geometry().dirty);
    const FatType expected = std::string(kind.format).find("12") != std::string::npos   ? FatType::Fat12
                             : std::string(kind.format).find("16") != std::string::npos ? FatType::Fat16
                                                                                    : FatType::Fat32;
    EXPECT_EQ(image->Geometry().type, expected) << options;
  }
}

void Patch(const std::string& image, uint64_t offset, std::vector<uint8_t> bytes) {
  std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string OpenError(const std::string& image) {
  try {
    OpenFatImage(image);
  } catch (const VolumeError& error) {
    return error.what();
  }
  return "opened";
}

TEST(FatImage, InconsistentImagesAreRefusedWithTheirProblemNamed) {
  ImageDir d;
  MakeFragmented(d, {"-F 16 -s 1", 8192, 512, 512});
  const std::string pristine = d.Image() + ".orig";
  fs::copy_file(d.Image(), pristine);
  std::unique_ptr<FatImage> image = OpenFatImage(d.Image());
  const Layout layout = image->Geometry();
  const DirEntry s1 = *Find(image->Root(), "S1.BIN");
  const DirEntry s3 = *Find(image->Root(), "S3.BIN");
  const DirEntry a = *Find(image->Root(), "a");
  image.reset();
  auto restore = [&] { fs::copy_file(pristine, d.Image(), fs::copy_options::overwrite_existing); };
  auto fatEntry = [&](uint32_t cluster) { return layout.fatOffset + 2 * uint64_t{cluster}; };

  // S3's last cluster leads into S1's chain.
  Patch(d.Image(), fatEntry(s3.chain.back()), {static_cast<uint8_t>(s1.chain[1]), static_cast<uint8_t>(s1.chain[1] >> 8)});
  EXPECT_THAT(OpenError(d.Image()), testing::HasSubstr("cross-linked"));
  restore();
  Patch(d.Image(), fatEntry(s1.chain.back()), {static_cast<uint8_t>(s1.chain[0]), static_cast<uint8_t>(s1.chain[0] >> 8)});
  EXPECT_THAT(OpenError(d.Image()), testing::HasSubstr("loops back"));
  restore();
  Patch(d.Image(), s1.entryOffset + 28, {0x10, 0x27, 0, 0});  // 10000 bytes in a 5-cluster chain
  EXPECT_THAT(OpenError(d.Image()), testing::HasSubstr("\"S1.BIN\" holds 10000 bytes but its chain has"));
  restore();
  Patch(d.Image(), fatEntry(s1.chain[1]), {0, 0});
  EXPECT_THAT(OpenError(d.Image()), testing::HasSubstr("free cluster"));
  restore();
  Patch(d.Image(), layout.fatBytes + fatEntry(s1.chain[1]), {0, 0});
  EXPECT_THAT(OpenError(d.Image()), testing::HasSubstr("the two FAT copies differ at cluster " + std::to_string(s1.chain[1])));
  restore();
  Patch(d.Image(), layout.fatBytes + fatEntry(1), {0xFF, 0x7F});
  EXPECT_NO_THROW(OpenFatImage(d.Image())) << "entry 1 holds status bits that each copy may keep its own way";
  restore();
  Patch(d.Image(), 510, {0, 0});
  EXPECT_THAT(OpenError(d.Image()), testing::HasSubstr("no 55 AA signature"));
  restore();
  Patch(d.Image(), 37, {0x01});
  EXPECT_TRUE(OpenFatImage(d.Image())->Geometry().dirty) << "the boot sector's dirty bit";
  restore();
  fs::resize_file(d.Image(), 4096 * 1024);
  EXPECT_THAT(OpenError(d.Image()), testing::HasSubstr("shorter than the volume"));
  EXPECT_THAT(OpenError((d.dir / "missing.img").string()), testing::HasSubstr("cannot be opened"));
}

// Bytes flipped at random in the boot sector, the FAT, the root and the folders: the reader
// refuses the image or reads it, and never reads outside what it holds (the sanitizer build
// runs this too).
TEST(FatImage, DamagedImagesAreRefusedOrReadWithoutFault) {
  ImageDir d;
  MakeFragmented(d, {"-F 16 -s 1", 8192, 512, 512});
  std::unique_ptr<FatImage> image = OpenFatImage(d.Image());
  const Layout layout = image->Geometry();
  const DirEntry* a = Find(image->Root(), "a");
  const std::pair<uint64_t, uint64_t> regions[] = {
      {0, 512},
      {layout.fatOffset, 512},
      {layout.rootOffset, uint64_t{layout.rootEntries} * 32},
      {image->ClusterOffset(a->chain.front()), layout.ClusterBytes()},
      {image->ClusterOffset(Find(*a, "b")->chain.front()), layout.ClusterBytes()}};
  image.reset();
  std::mt19937 random(8);
  int refused = 0;
  for (int round = 0; round < 2000; ++round) {
    const auto& [start, length] = regions[random() % std::size(regions)];
    const uint64_t at = start + random() % length;
    std::vector<uint8_t> original(1);
    {
      std::ifstream file(d.Image(), std::ios::binary);
      file.seekg(static_cast<std::streamoff>(at));
      file.read(reinterpret_cast<char*>(original.data()), 1);
    }
    Patch(d.Image(), at, {static_cast<uint8_t>(original[0] ^ (1u << (random() % 8)))});
    try {
      OpenFatImage(d.Image());
    } catch (const VolumeError&) {
      ++refused;
    }
    Patch(d.Image(), at, original);
  }
  EXPECT_GT(refused, 0) << "some flips break the volume";
  EXPECT_LT(refused, 2000) << "and many leave it readable";
}

}  // namespace
}  // namespace tarvonel::fat

#include "image_harness.h"
#include "platform/image/image_drive.h"

namespace tarvonel::fat {
namespace {

// The analysis of an image agrees with the fragments mtools reports for each of its files.
TEST(ImageDrive, AnalysisCountsTheFragmentsMtoolsReports) {
  const test::VolumeKind kinds[] = {{"-F 12 -s 2", 4096, 512, 1024},
                                    {"-F 16 -s 1", 8192, 512, 512},
                                    {"-F 32 -S 4096 -s 1", 270000, 4096, 4096}};
  for (const test::VolumeKind& kind : kinds) {
    ImageDir d;
    MakeFragmented(d, kind);
    size_t fragmentedFiles = 0;
    size_t fragments = 0;
    for (const char* file : {"::/S1.BIN", "::/S3.BIN", "::/S5.BIN", "::/S6.BIN", "'::/Große Datei.dat'", "::/a/b/x.txt"}) {
      const std::vector<uint32_t> chain = ChainFromMshowfat(d.Run(std::string("mshowfat -i volume.img ") + file));
      size_t runs = chain.empty() ? 0 : 1;
      for (size_t i = 1; i < chain.size(); ++i) runs += chain[i] != chain[i - 1] + 1 ? 1 : 0;
      if (runs > 1) {
        ++fragmentedFiles;
        fragments += runs;
      }
    }
    ASSERT_GT(fragmentedFiles, 0u);
    d.Run("cp volume.img before.img");
    test::ImageHarness h(d.Image());
    h.program.Run();
    ASSERT_TRUE(h.program.Jobs().cmdanalysemore.Click());
    d.Run("cmp volume.img before.img");  // an analysis writes nothing
    const std::string expectedName = std::string(kind.format).find("32") != std::string::npos ? "FAT32" : "FAT";
    const std::string options = test::Described(kind);
    EXPECT_EQ(h.program.Volume().Geometry().FileSystemName, expectedName) << "as GetVolumeInformation names it";
    EXPECT_EQ(h.program.Jobs().LblStats[3].Caption(), "fragmented: " + std::to_string(fragmentedFiles)) << options;
    EXPECT_EQ(h.program.Jobs().LblStats[4].Caption(), "fragments: " + std::to_string(fragments)) << options;
    EXPECT_EQ(h.program.Jobs().LblStats[0].Caption(), "files: 6") << options;
  }
}

TEST(ImageDrive, DriveArgumentIsCheckedAndADirtyImageIsADirtyDrive) {
  EXPECT_EQ(ParseImageDrive("e:=/tmp/x.img").letter, 'E');
  EXPECT_EQ(ParseImageDrive("E:=/tmp/x.img").path, "/tmp/x.img");
  EXPECT_THROW(ParseImageDrive("E:/tmp/x.img"), std::invalid_argument);
  EXPECT_THROW(ParseImageDrive("1:=x"), std::invalid_argument);

  ImageDir d;
  d.Run("mkfs.fat -C -F 16 -s 1 volume.img 8192");
  Patch(d.Image(), 37, {0x01});
  test::ImageHarness h(d.Image(), "/d");
  h.program.Run();
  EXPECT_TRUE(h.program.Flags().DiskCheckFailed);
  EXPECT_EQ(h.platform.Moves(), 0) << "a dirty image runs no job";
}

// Found by fuzzing: a label of bytes above 127 (a card labelled in its code page) went into the
// machine description as it was, no UTF-8, and writing the description threw: the program ended.
TEST(ImageDrive, ALabelInTheCardsCodePageIsShownAsText) {
  ImageDir d;
  d.Run("mkfs.fat -C -F 16 -s 1 volume.img 8192");
  Patch(d.Image(), 43, {0xC9, 'T', 0xC9, ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '});
  std::vector<std::unique_ptr<image::ImageVolume>> volumes;
  volumes.push_back(std::make_unique<image::ImageVolume>('E', d.Image()));
  EXPECT_EQ(volumes[0]->Model().Label(), "\xC3\x89T\xC3\x89");  // "ÉTÉ"
  const Machine machine = ParseMachine(WithImageDrives(R"({"drives": []})", volumes));
  ASSERT_EQ(machine.drives.size(), 1u);
  EXPECT_EQ(machine.drives[0].label, "\xC3\x89T\xC3\x89");
}

}  // namespace
}  // namespace tarvonel::fat
