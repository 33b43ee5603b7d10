#include "app/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/os_info.h"
#include "platform/sim/demo_machine.h"
#include "test_harness.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using test::ProgramHarness;

std::string Windows(int major, int minor, int bits, const std::string& extra = {}) {
  return R"({"os": {"major": )" + std::to_string(major) + R"(, "minor": )" + std::to_string(minor) +
         R"(, "bits": )" + std::to_string(bits) + extra + R"(}, "drives": [{"letter": "C"}]})";
}

TEST(Startup, SixtyFourBitWindowsLogsRedirectionAndPrivilegesInOrder) {
  ProgramHarness h(Windows(10, 0, 64));
  EXPECT_EQ(h.program.Run(), StartupOutcome::Started);
  EXPECT_THAT(h.LogLines(), ElementsAre("v0.1.0", "OS= Win10.0", "IsWow64Process=True ",
                                        "WOW64Redirector turned off = True",
                                        "If false, last dll_err:The operation completed successfully.",
                                        "Backup privilege granted=True", "Restore privilege granted=True"))
      << h.platform.Dump();
  EXPECT_FALSE(h.platform.RedirectionDisabled()) << "on again for the windows; off only inside the volume calls";
  EXPECT_THAT(h.platform.EnabledPrivileges(), ElementsAre("SeBackupPrivilege", "SeRestorePrivilege"));
  EXPECT_EQ(h.platform.CommonControlClasses(), 0x200u);
  EXPECT_TRUE(h.toolkit.MessageBoxes().empty());
  EXPECT_FALSE(h.program.LogWindow().Window().Visible()) << "start-up lines are collected in a hidden window";
}

TEST(Startup, ThirtyTwoBitWindowsHasOneWow64Line) {
  ProgramHarness h(Windows(6, 1, 32));
  EXPECT_EQ(h.program.Run(), StartupOutcome::Started);
  EXPECT_THAT(h.LogLines(), ElementsAre("v0.1.0", "OS= Win6.1", "IsWow64Process=False ",
                                        "Backup privilege granted=True", "Restore privilege granted=True"));
  EXPECT_FALSE(h.platform.RedirectionDisabled());
}

TEST(Startup, VersionCheckIsNumericAndStartsAtXp) {
  for (auto [major, minor] : {std::pair{5, 1}, {5, 2}, {6, 0}, {10, 0}}) {
    ProgramHarness h(Windows(major, minor, 32));
    EXPECT_EQ(h.program.Run(), StartupOutcome::Started) << major << "." << minor;
  }
}

TEST(Startup, WindowsBeforeXpOrAnUnknownVersionEndsTheProgram) {
  const std::string expected =
      "Tarvonel requires Windows XP or higher (2003 server, Vista) to run.\r\n"
      "The detected Windows version does not meet the minimum requirements.\r\n\r\n"
      "The program will now terminate.";
  for (const std::string& machine : {Windows(5, 0, 32), Windows(4, 90, 32), Windows(6, 1, 64, R"(, "get_version_fails": true)")}) {
    ProgramHarness h(machine, "/d");
    EXPECT_EQ(h.program.Run(), StartupOutcome::WindowsTooOld) << machine;
    ASSERT_EQ(h.toolkit.MessageBoxes().size(), 1u);
    EXPECT_EQ(h.toolkit.MessageBoxes()[0].prompt, expected);
    EXPECT_EQ(h.toolkit.MessageBoxes()[0].icon, MsgBoxIcon::Critical);
    EXPECT_THAT(h.LogLines(), ElementsAre("v0.1.0"));
    EXPECT_EQ(h.platform.DiskChecks(), 0) << "nothing runs after the version message";
    EXPECT_EQ(h.program.Settings().DriveRoot, "") << "no drive list is built";
  }
}

TEST(Startup, NonAdministratorSeesNoAdminAndNothingElseRuns) {
  ProgramHarness h(R"({"administrator": false, "drives": [{"letter": "C"}]})", "/dbg /d");
  EXPECT_EQ(h.program.Run(), StartupOutcome::NotAdministrator);
  ASSERT_EQ(h.toolkit.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.toolkit.MessageBoxes()[0].prompt, "no admin");
  EXPECT_EQ(h.toolkit.MessageBoxes()[0].title, "Tarvonel");
  EXPECT_EQ(h.toolkit.MessageBoxes()[0].icon, MsgBoxIcon::None);
  EXPECT_TRUE(h.toolkit.LoadedWindows().empty());
  EXPECT_EQ(h.program.Log().Text(), "");
}

TEST(Startup, FailingRedirectionLogsFalseWithTheErrorText) {
  ProgramHarness h(Windows(6, 1, 64, R"(, "wow64_redirection": "fails", "wow64_redirection_error": 5)"));
  EXPECT_EQ(h.program.Run(), StartupOutcome::Started);
  EXPECT_THAT(h.LogLines(), ElementsAre("v0.1.0", "OS= Win6.1", "IsWow64Process=True ",
                                        "WOW64Redirector turned off = False", "If false, last dll_err:Access is denied.",
                                        "Backup privilege granted=True", "Restore privilege granted=True"));
}

TEST(Startup, MissingRedirectionFunctionIsLoggedBeforeTheResult) {
  ProgramHarness h(Windows(5, 2, 64, R"(, "wow64_redirection": "missing")"));
  EXPECT_EQ(h.program.Run(), StartupOutcome::Started);
  EXPECT_THAT(h.LogLines(), ElementsAre("v0.1.0", "OS= Win5.2", "IsWow64Process=True ", "WOWREDIR_DISABLE=False ",
                                        "WOW64Redirector turned off = False",
                                        "If false, last dll_err:The specified procedure could not be found.",
                                        "Backup privilege granted=True", "Restore privilege granted=True"));
}

// Regression: AdjustTokenPrivileges succeeds with ERROR_NOT_ALL_ASSIGNED for a privilege the
// token lacks; taking that as success logged "granted=True" for a privilege never granted.
TEST(Startup, PrivilegeTheTokenLacksIsReportedAsNotGranted) {
  ProgramHarness h(R"({"privileges": {"grantable": ["SeRestorePrivilege"]}, "drives": [{"letter": "C"}]})");
  EXPECT_EQ(h.program.Run(), StartupOutcome::Started);
  EXPECT_THAT(h.LogLines(), testing::Contains("Backup privilege granted=False"));
  EXPECT_THAT(h.LogLines(), testing::Contains("Restore privilege granted=True"));
}

TEST(Startup, UnopenableTokenGrantsNothingAndStartUpGoesOn) {
  ProgramHarness h(R"({"privileges": {"open_token_error": 5}, "common_controls": false, "drives": [{"letter": "C"}]})",
                   "/d");
  EXPECT_EQ(h.program.Run(), StartupOutcome::Started);
  EXPECT_THAT(h.LogLines(), testing::Contains("Backup privilege granted=False"));
  EXPECT_THAT(h.LogLines(), testing::Contains("Restore privilege granted=False"));
  EXPECT_EQ(h.program.Main().ImageCombo1.Items().size(), 1u) << "neither privileges nor common controls stop the start";
  EXPECT_THAT(h.MessageTexts(), testing::Contains(testing::HasSubstr("cannot be opened")))
      << "the command-line job got as far as opening its drive";
}

TEST(Startup, EmptyTailNeverCallsTheParser) {
  ProgramHarness h(Windows(10, 0, 64));
  h.program.Run();
  EXPECT_TRUE(h.toolkit.MessageBoxes().empty());
}

TEST(Startup, ParserRunsAfterTheFirstDriveIsSelected) {
  const std::string machine = R"({"drives": [{"letter": "A", "type": "removable"}, {"letter": "D", "type": "cdrom"},
                                             {"letter": "E", "type": "fixed"}, {"letter": "F", "type": "removable"}]})";
  ProgramHarness selected(machine, "/d");
  selected.program.Run();
  EXPECT_EQ(selected.program.Settings().DriveRoot, "E:\\") << "A: and the CD-ROM are never selected";

  // Had the parser run first, the drive list's selection would have replaced F:.
  ProgramHarness overridden(machine, "/drv F: /o");
  overridden.program.Run();
  EXPECT_EQ(overridden.program.Settings().DriveRoot, "F:\\");
}

TEST(Startup, DemoMachineSelectsItsFragmentedNtfsVolume) {
  ProgramHarness h(DemoMachineJson());
  ASSERT_EQ(h.program.Run(), StartupOutcome::Started);
  VolumeAccess& volume = h.program.Volume();
  ASSERT_NE(volume.VolumeHandle(), nullptr);
  EXPECT_EQ(volume.Geometry().VolumePath, "\\\\.\\C:");
  EXPECT_GT(volume.Geometry().MftZoneEnd, volume.Geometry().MftZoneStart);
  ASSERT_TRUE(h.program.Constants().ComputeVolumeConstants("C:").has_value());

  Catalogue& files = h.program.Files();
  FragmentedPaths fragmented;
  h.program.Flags().CollectPlacementLists = true;
  files.WalkDirectory("C:\\", fragmented, true);
  EXPECT_GE(files.FileCount, 3000);
  EXPECT_GT(files.FragmentedCount, 100);
  EXPECT_FALSE(files.Lists.move_out_files.empty()) << "files lie in the front zone and the MFT zone";
  EXPECT_FALSE(files.Lists.optimize_files.empty());
  const OpenResult layout = h.platform.OpenPath("\\\\?\\C:\\Windows\\Prefetch\\layout.ini", 0x80, 3, 0);
  EXPECT_NE(layout.handle, nullptr);
}

// Regression: a command-line job on a drive too large for the engine showed the refusal twice,
// then "cannot be opened", and the job window's Analyze read the drive all the same.
TEST(Startup, TooLargeVolumeIsRefusedOnceAndReadByNothing) {
  ProgramHarness h(R"({"drives": [{"letter": "C", "volume": {"total_clusters": 4294967296}}]})", "/drv C: /d");
  ASSERT_EQ(h.program.Run(), StartupOutcome::Started);
  ASSERT_EQ(h.toolkit.MessageBoxes().size(), 1u) << testing::PrintToString(h.MessageTexts());
  EXPECT_NE(h.toolkit.MessageBoxes()[0].prompt.find("4294967296 clusters"), std::string::npos);
  EXPECT_EQ(h.program.Volume().VolumeHandle(), nullptr);
  EXPECT_FALSE(h.program.CommandLine().PassRan());

  h.program.Main().ImageCombo1.UserSelect(0);
  h.program.Jobs().cmdanalysemore.Click();
  h.program.Jobs().SmartOptimize.Click();
  EXPECT_EQ(h.toolkit.MessageBoxes().size(), 1u) << "the same drive again: no second refusal, no read error";
  EXPECT_EQ(h.program.Files().FileCount, 0);
  EXPECT_EQ(h.program.Jobs().LblStats[0].Caption(), "") << "no statistics of a drive nothing read";
  EXPECT_EQ(h.platform.Moves(), 0);
}

// Regression: the program's windows stayed registered with the toolkit after the program was
// gone, and the Windows toolkit's clean-up touched them at exit.
TEST(Startup, EndingTheProgramUnloadsItsWindows) {
  SimPlatform platform(ParseMachine(R"({"drives": [{"letter": "C", "volume": {}}]})"));
  VirtualClock clock;
  HeadlessToolkit toolkit(clock);
  {
    Program program(platform, toolkit);
    program.Run();
    EXPECT_FALSE(toolkit.LoadedWindows().empty());
  }
  EXPECT_TRUE(toolkit.LoadedWindows().empty());
  clock.Advance(60000);
  toolkit.DoEvents();  // no timer of a window that is gone may fire
}

TEST(OsInfo, NamesVersionBuildAndServicePack) {
  struct Case {
    std::string os;
    std::string name;
  } cases[] = {
      {R"("platform_id": 0, "major": 1, "minor": 0)", "Win32s"},
      {R"("platform_id": 1, "major": 4, "minor": 0)", "Windows 95"},
      {R"("platform_id": 1, "major": 4, "minor": 10)", "Windows 98"},
      {R"("platform_id": 1, "major": 4, "minor": 90)", "Windows ME"},
      {R"("platform_id": 2, "major": 5, "minor": 0)", "Windows 2000"},
      {R"("platform_id": 2, "major": 5, "minor": 1)", "Windows XP"},
      {R"("platform_id": 2, "major": 6, "minor": 1)", "Windows NT"},
      {R"("platform_id": 3, "major": 6, "minor": 1)", ""},
  };
  for (const Case& c : cases) {
    SimPlatform platform(ParseMachine(R"({"os": {)" + c.os + "}}"));
    OSInfo info;
    GetOSInfo(platform, info);
    EXPECT_EQ(info.Name, c.name) << c.os;
  }

  SimPlatform xp(ParseMachine(R"({"os": {"major": 5, "minor": 1, "build": 196608, "service_pack": "Service Pack 3"}})"));
  OSInfo info;
  GetOSInfo(xp, info);
  EXPECT_EQ(info.Version, "5.1");
  EXPECT_EQ(info.Build, "0") << "only the low 16 bits of the build number count";
  EXPECT_EQ(info.ServicePack, "Service Pack 3");

  SimPlatform noNul(ParseMachine(R"({"os": {"service_pack": ")" + std::string(128, 'x') + R"("}})"));
  GetOSInfo(noNul, info);
  EXPECT_EQ(info.ServicePack, "") << "128 characters without a NUL are not a text";

  SimPlatform failing(ParseMachine(R"({"os": {"get_version_fails": true}})"));
  GetOSInfo(failing, info);
  EXPECT_EQ(info.Version, "");
  EXPECT_EQ(info.Name, "");
}

TEST(OsInfo, LeadingNumberReadsTheNumericValue) {
  EXPECT_DOUBLE_EQ(LeadingNumber("10.0"), 10.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("6.1"), 6.1);
  EXPECT_DOUBLE_EQ(LeadingNumber("5.10"), 5.1);
  EXPECT_DOUBLE_EQ(LeadingNumber(""), 0.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("7x"), 7.0);
  EXPECT_GT(LeadingNumber("10.0"), LeadingNumber("5.1")) << "text order would put 10.0 below 5.1";
}

}  // namespace
}  // namespace tarvonel
