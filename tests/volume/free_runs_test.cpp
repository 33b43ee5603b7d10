#include "volume/free_runs.h"

#include <random>

#include <gtest/gtest.h>

#include "platform/win32_codes.h"
#include "base/win32_errors.h"
#include "volume/volume_access.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using test::MachineWithVolume;

// A volume whose used clusters follow `used`, described as metadata runs.
std::string VolumeOfPattern(const std::vector<bool>& used, int rounding = 8) {
  std::string runs;
  for (size_t i = 0; i < used.size();) {
    if (!used[i]) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < used.size() && used[end]) ++end;
    runs += (runs.empty() ? "" : ",") + std::string("[") + std::to_string(i) + "," + std::to_string(end - i) + "]";
    i = end;
  }
  return R"({"total_clusters": )" + std::to_string(used.size()) + R"(, "bitmap_rounding": )" +
         std::to_string(rounding) + R"(, "metadata_clusters": [)" + runs + "]}";
}

// The runs a per-cluster look at the pattern finds.
FreeRunList ReferenceRuns(const std::vector<bool>& used) {
  FreeRunList runs;
  for (size_t i = 0; i < used.size();) {
    if (used[i]) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < used.size() && !used[end]) ++end;
    runs.push_back({static_cast<int32_t>(i), 0, static_cast<int32_t>(end - i)});
    i = end;
  }
  return runs;
}

FreeRunList ReadRuns(SimPlatform& platform, int32_t& total) {
  VolumeAccess access(platform);
  access.SelectDrive("C:\\");
  return ReadFreeRuns(platform, access.VolumeHandle(), total);
}

TEST(FreeRuns, MatchAPerClusterScanOnManyPatterns) {
  std::mt19937 random(7);
  const int64_t sizes[] = {16, 100, 131071, 131072, 131073, 2 * 131072, 2 * 131072 + 77, 3 * 131072 + 5};
  for (int64_t size : sizes) {
    for (int density : {0, 3, 50, 97, 100}) {
      std::vector<bool> used(static_cast<size_t>(size));
      // Runs of varied lengths, so that whole free and used words occur as well as mixed ones.
      for (size_t i = 0; i < used.size();) {
        const bool value = static_cast<int>(random() % 100) < density;
        const size_t length = 1 + random() % (random() % 4 == 0 ? 3000 : 40);
        for (size_t j = i; j < std::min(used.size(), i + length); ++j) used[j] = value;
        i += length;
      }
      for (int rounding : {8, 32768}) {
        SimPlatform platform(ParseMachine(MachineWithVolume(VolumeOfPattern(used, rounding))));
        int32_t total = 0;
        FreeRunList runs = ReadRuns(platform, total);
        EXPECT_EQ(total, size);
        ASSERT_EQ(runs, ReferenceRuns(used)) << "size " << size << ", density " << density << ", rounding " << rounding;
      }
    }
  }
}

TEST(FreeRuns, BoundaryCases) {
  {  // a run crossing the 131072-cluster chunk boundary is one run
    std::vector<bool> used(3 * 131072, true);
    for (size_t i = 131000; i < 131200; ++i) used[i] = false;
    SimPlatform platform(ParseMachine(MachineWithVolume(VolumeOfPattern(used))));
    int32_t total = 0;
    EXPECT_EQ(ReadRuns(platform, total), (FreeRunList{{131000, 0, 200}}));
  }
  {  // an exact multiple of the chunk that ends free: the final run is there, nothing after it
    std::vector<bool> used(2 * 131072, true);
    for (size_t i = 200000; i < used.size(); ++i) used[i] = false;
    SimPlatform platform(ParseMachine(MachineWithVolume(VolumeOfPattern(used))));
    int32_t total = 0;
    EXPECT_EQ(ReadRuns(platform, total), (FreeRunList{{200000, 0, 2 * 131072 - 200000}}));
  }
  {  // full volume: no run; first cluster free: a run at LCN 0
    std::vector<bool> full(1000, true);
    SimPlatform platform(ParseMachine(MachineWithVolume(VolumeOfPattern(full))));
    int32_t total = 0;
    EXPECT_TRUE(ReadRuns(platform, total).empty());
    EXPECT_EQ(total, 1000);
    full[0] = false;
    SimPlatform first(ParseMachine(MachineWithVolume(VolumeOfPattern(full))));
    EXPECT_EQ(ReadRuns(first, total), (FreeRunList{{0, 0, 1}}));
  }
  {  // 100 clusters with the last four used: the free bits past the end are never read
    std::vector<bool> used(100, false);
    for (size_t i = 96; i < 100; ++i) used[i] = true;
    SimPlatform platform(ParseMachine(MachineWithVolume(VolumeOfPattern(used))));
    int32_t total = 0;
    EXPECT_EQ(ReadRuns(platform, total), (FreeRunList{{0, 0, 96}}));
  }
}

TEST(FreeRuns, FailedReads) {
  std::vector<bool> used(3 * 131072, false);
  used[10] = true;
  used[140000] = true;
  SimPlatform platform(ParseMachine(MachineWithVolume(VolumeOfPattern(used))));
  int32_t total = 0;
  EXPECT_TRUE(ReadFreeRuns(platform, nullptr, total).empty()) << "no volume handle";
  EXPECT_EQ(total, 0);

  platform.InjectIoControlFailure(win32::kFsctlGetVolumeBitmap, 0, win32_error::kAccessDenied);
  EXPECT_TRUE(ReadRuns(platform, total).empty());
  EXPECT_EQ(total, 0) << "a failed first chunk reports no clusters";

  // The third chunk fails: the runs closed so far stay, the one still open is dropped.
  platform.InjectIoControlFailure(win32::kFsctlGetVolumeBitmap, 2, win32_error::kNotReady);
  EXPECT_EQ(ReadRuns(platform, total), (FreeRunList{{0, 0, 10}, {11, 0, 140000 - 11}}));
  EXPECT_EQ(platform.OpenHandles(), 0);
}

TEST(FreeRuns, VolumeBeyondTheDesignYieldsNothing) {
  SimPlatform platform(ParseMachine(MachineWithVolume(R"({"total_clusters": 2147483648})")));
  auto handle = platform.OpenPath("\\\\.\\C:", win32::kGenericRead, win32::kFileShareReadWrite, 0).handle;
  ASSERT_NE(handle, nullptr);
  int32_t total = 1;
  EXPECT_TRUE(ReadFreeRuns(platform, handle.get(), total).empty());
  EXPECT_EQ(total, 0) << "2^31 clusters would wrap to a negative count";
}

}  // namespace
}  // namespace tarvonel
