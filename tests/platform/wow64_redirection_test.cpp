#include "platform/wow64_redirection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "base/win32_errors.h"
#include "test_harness.h"

namespace tarvonel {
namespace {

std::string Windows(int bits, const std::string& redirection = "works") {
  return R"({"os": {"bits": )" + std::to_string(bits) + R"(, "wow64_redirection": ")" + redirection +
         R"("}, "drives": [{"letter": "C", "volume": {}, "disk_check": {"state": "dirty"}}]})";
}

TEST(Wow64Redirection, SystemDllsOfA32BitProgramLoadOnlyWithRedirectionOn) {
  SimPlatform platform(ParseMachine(Windows(64)));
  Wow64Redirection redirection(platform);
  ASSERT_EQ(redirection.TurnOff().outcome, RedirectionOutcome::Disabled);
  EXPECT_EQ(platform.DiskCheckAvailable("C:\\"), win32_error::kBadExeFormat)
      << "with redirection off the 64-bit fmifs.dll is found and refused";
  EXPECT_EQ(platform.SaveShellLink("C:\\Users\\User\\Desktop\\x.lnk", {}), win32_error::kBadExeFormat);
  {
    const Wow64Redirection::SystemCallScope outer(redirection);
    const Wow64Redirection::SystemCallScope inner(redirection);
    EXPECT_FALSE(platform.RedirectionDisabled());
    EXPECT_EQ(platform.DiskCheckAvailable("C:\\"), win32_error::kSuccess);
    EXPECT_EQ(platform.SaveShellLink("C:\\Users\\User\\Desktop\\x.lnk", {}), win32_error::kSuccess);
  }
  EXPECT_TRUE(platform.RedirectionDisabled()) << "off again once the system call is done";
  EXPECT_TRUE(redirection.Off());
}

TEST(Wow64Redirection, ScopeLeavesRedirectionAloneWhereItWasNeverOff) {
  for (const std::string& machine : {Windows(32), Windows(64, "fails"), Windows(64, "missing")}) {
    SimPlatform platform(ParseMachine(machine));
    Wow64Redirection redirection(platform);
    redirection.TurnOff();
    EXPECT_FALSE(redirection.Off()) << machine;
    {
      const Wow64Redirection::SystemCallScope shell(redirection);
      EXPECT_EQ(platform.DiskCheckAvailable("C:\\"), win32_error::kSuccess) << machine;
    }
    EXPECT_FALSE(platform.RedirectionDisabled()) << "a scope never turns off what start-up could not: " << machine;
  }
}

// Regression: start-up turned redirection off for good, so on every 64-bit Windows the disk
// check's library failed to load, dirty volumes were listed as "Ok" and jobs ran on them.
TEST(Wow64Redirection, DirtyDriveIsMarkedAndRefusesTheJobOn64BitWindows) {
  test::ProgramHarness h(Windows(64), "/d");
  h.program.Run();
  ASSERT_TRUE(h.platform.RedirectionDisabled()) << "start-up still turns redirection off";
  ASSERT_FALSE(h.program.Main().ImageCombo1.Items().empty());
  EXPECT_THAT(h.program.Main().ImageCombo1.Items()[0].text, testing::EndsWith("Status: Error!"));
  EXPECT_EQ(h.platform.DiskChecks(), 2) << "once for the list, once before the job";
  EXPECT_TRUE(h.program.Flags().DiskCheckFailed);
  EXPECT_FALSE(h.program.CommandLine().PassRan());
  EXPECT_EQ(h.platform.Moves(), 0) << h.platform.Dump();
}

TEST(Wow64Redirection, ShellCallsWorkOn64BitWindowsAfterStartUp) {
  test::ProgramHarness h(R"({"drives": [{"letter": "C", "volume": {}}]})");
  h.program.Run();
  ASSERT_TRUE(h.platform.RedirectionDisabled());
  h.program.Main().lblInfo.Click();
  h.program.Handover().EmptyRecycleBin();
  h.toolkit.QueueInput("Nightly");
  h.program.Main().Command2.Click();
  EXPECT_EQ(h.platform.Shell().opened.size(), 1u) << "the web link";
  EXPECT_EQ(h.platform.Shell().recycleBinsEmptied, 1);
  EXPECT_EQ(h.platform.Shell().links.size(), 1u) << "the desktop shortcut";
  EXPECT_TRUE(h.platform.RedirectionDisabled()) << "the volume work that follows still sees the real System32";
}

}  // namespace
}  // namespace tarvonel
