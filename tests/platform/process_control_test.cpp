#include "platform/process_control.h"

#include <gtest/gtest.h>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "test_harness.h"

namespace tarvonel {
namespace {

TEST(ProcessPriority, SetAndReadBack) {
  SimPlatform platform(ParseMachine("{}"));
  EXPECT_EQ(SetProcessPriority(platform, 0, 64), 64u);
  EXPECT_EQ(platform.PriorityClass(), 64u);
  EXPECT_EQ(SetProcessPriority(platform, 0, 32768), 32768u);

  SimPlatform locked(ParseMachine(R"({"process_openable": false})"));
  EXPECT_EQ(SetProcessPriority(locked, 0, 64), 32u) << "not openable for setting: unchanged, read back";
  EXPECT_EQ(locked.OpenHandles(), 0);
}

TEST(ProcessPriority, CommandLineSwitchesApplyAtOnce) {
  test::ProgramHarness h("{}", "/low /o /high");
  h.program.Run();
  EXPECT_EQ(h.platform.PriorityClass(), 32768u) << "/high is ABOVE_NORMAL_PRIORITY_CLASS, the last one wins";
}

TEST(ExitWindows, OptionsMapToForcedRequestsAndNeedThePrivilege) {
  SimPlatform platform(ParseMachine("{}"));
  clsExitWindows exit(platform, platform);
  exit.ExitWindows(3);
  EXPECT_FALSE(platform.ExitRequest().has_value()) << "option 3 does nothing";
  exit.ExitWindows(8);
  EXPECT_EQ(platform.ExitRequest(), 12u) << "power off, forced";
  // Regression: the reason was 0xFFFFFFFF, which no shutdown reason code means.
  EXPECT_EQ(platform.ExitReason(), 0x80000000u) << "other, other, planned";
  exit.ExitWindows(0);
  EXPECT_EQ(platform.ExitRequest(), 4u);

  SimPlatform unprivileged(ParseMachine(R"({"privileges": {"grantable": []}})"));
  clsExitWindows refused(unprivileged, unprivileged);
  refused.ExitWindows(8);
  EXPECT_FALSE(unprivileged.ExitRequest().has_value()) << "without the shutdown privilege nothing happens";
}

}  // namespace
}  // namespace tarvonel
