#include "volume/seek_penalty.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32_codes.h"
#include "test_harness.h"

namespace tarvonel {
namespace {

using test::ProgramHarness;

std::string Drive(const std::string& seekPenalty, const std::string& os = R"({"major": 10, "minor": 0})") {
  return R"({"os": )" + os + R"(, "drives": [{"letter": "C", "seek_penalty": ")" + seekPenalty +
         R"(", "volume": {"total_clusters": 65536, "generate": {"files": 120, "fragmented_percent": 40, "seed": 5}}}]})";
}

TEST(SeekPenalty, AnsweredPerDriveFromWindows7OnAndUnknownOtherwise) {
  const struct {
    std::string machine;
    SeekPenalty expected;
  } cases[] = {
      {Drive("yes"), SeekPenalty::Incurred},
      {Drive("no"), SeekPenalty::None},
      {Drive("unknown"), SeekPenalty::Unknown},
      {Drive("no", R"({"major": 6, "minor": 1})"), SeekPenalty::None},
      {Drive("no", R"({"major": 6, "minor": 0})"), SeekPenalty::Unknown},
      {Drive("no", R"({"major": 5, "minor": 1, "bits": 32})"), SeekPenalty::Unknown},
  };
  for (const auto& c : cases) {
    SimPlatform platform(ParseMachine(c.machine));
    EXPECT_EQ(QuerySeekPenalty(platform, "C:"), c.expected) << c.machine;
    EXPECT_EQ(QuerySeekPenalty(platform, "Q:"), SeekPenalty::Unknown) << "no such drive";
    EXPECT_EQ(platform.OpenHandles(), 0);
  }

  // A buffer too short for the flag gets the descriptor's header only.
  SimPlatform platform(ParseMachine(Drive("no")));
  OpenResult volume = platform.OpenPath("\\\\.\\C:", 0, win32::kFileShareReadWrite, 0);
  ASSERT_NE(volume.handle, nullptr);
  uint8_t query[12] = {7};
  uint8_t header[8] = {};
  uint32_t returned = 99;
  EXPECT_EQ(platform.DeviceIoControl(*volume.handle, win32::kIoctlStorageQueryProperty, query, 12, header, 8, returned),
            0u);
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(header[4], 12) << "the Size a full descriptor needs";
}

TEST(SolidStateDrive, JobWindowAsksOnceWithNoAsTheDefault) {
  ProgramHarness h(Drive("no"));
  h.program.Run();
  h.program.Main().CmdGo.Click();
  JobWindow& jobs = h.program.Jobs();
  jobs.cmdDefrag.Click();
  ASSERT_EQ(h.toolkit.MessageBoxes().size(), 1u);
  const MessageBoxRecord& question = h.toolkit.MessageBoxes()[0];
  EXPECT_EQ(question.prompt,
            "Drive C: is a solid-state drive; defragmenting it wears it and does not make it faster. Run anyway?");
  EXPECT_EQ(question.buttons, MsgBoxButtons::YesNo);
  EXPECT_EQ(question.answer, MsgBoxResult::No) << "unanswered, the box says No";
  EXPECT_EQ(h.platform.Moves(), 0) << "declined: nothing moved";
  EXPECT_FALSE(h.program.Flags().AnalysisValid) << "declined: not even analysed";

  h.toolkit.QueueAnswer(MsgBoxResult::Yes);
  jobs.cmdDefrag.Click();
  EXPECT_GT(h.platform.Moves(), 0);
  const int moves = h.platform.Moves();
  jobs.SmartOptimize.Click();
  EXPECT_EQ(h.toolkit.MessageBoxes().size(), 2u) << "allowed once, the drive's other passes run without asking";
  EXPECT_GE(h.platform.Moves(), moves);

  for (const char* answer : {"yes", "unknown"}) {
    ProgramHarness disk(Drive(answer));
    disk.program.Run();
    disk.program.Main().CmdGo.Click();
    disk.program.Jobs().cmdDefrag.Click();
    EXPECT_TRUE(disk.toolkit.MessageBoxes().empty()) << answer << ": an unknown drive is never taken for an SSD";
    EXPECT_GT(disk.platform.Moves(), 0) << answer;
  }
}

TEST(SolidStateDrive, CommandLineJobLogsAndRunsAsAsked) {
  ProgramHarness h(Drive("no"), "/d /dbg");
  h.program.Run();
  EXPECT_TRUE(h.toolkit.MessageBoxes().empty()) << "an unattended job asks nobody";
  EXPECT_TRUE(h.program.CommandLine().PassRan());
  EXPECT_GT(h.platform.Moves(), 0);
  EXPECT_THAT(h.LogLines(), testing::Contains("SSD: C: is a solid-state drive; the command-line job runs as asked"));
}

}  // namespace
}  // namespace tarvonel
