#include "platform/wow64_redirection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/win32_errors.h"
#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "platform/wow64_volume_io.h"
#include "test_harness.h"

namespace tarvonel {
namespace {

// Windows of the given bitness and version, whose C: holds a 64-bit system DLL in System32, its
// 32-bit twin in SysWOW64, and a file in an exempt folder; the one in System32 is fragmented.
std::string Windows(int bits, const std::string& redirection = "works", int major = 10, int minor = 0,
                    const std::string& diskCheck = "dirty") {
  return R"({"os": {"bits": )" + std::to_string(bits) + R"(, "major": )" + std::to_string(major) +
         R"(, "minor": )" + std::to_string(minor) + R"(, "wow64_redirection": ")" + redirection + R"("},
    "drives": [{"letter": "C", "disk_check": {"state": ")" + diskCheck + R"("}, "volume": {"entries": [
      {"name": "Windows", "type": "directory", "extents": [[100, 1]], "entries": [
        {"name": "System32", "type": "directory", "extents": [[110, 1]], "entries": [
          {"name": "native.dll", "extents": [[3000, 4], [6000, 4]]},
          {"name": "spool", "type": "directory", "extents": [[120, 1]], "entries": [
            {"name": "queue.shd", "extents": [[130, 2]]}]}]},
        {"name": "SysWOW64", "type": "directory", "extents": [[140, 1]], "entries": [
          {"name": "wow.dll", "extents": [[150, 2]]}]}]}]}}]})";
}

std::string FirstFile(VolumeIo& io, const std::string& pattern) {
  FindEntry entry;
  uint32_t error = 0;
  std::unique_ptr<OsFindHandle> search = io.FindFirst(pattern, entry, error);
  while (search && (entry.name == "." || entry.name == "..")) {
    if (!io.FindNext(*search, entry, error)) return {};
  }
  return search ? entry.name : std::string();
}

bool Opens(VolumeIo& io, const std::string& path) {
  return io.OpenPath("\\\\?\\" + path, 0x80, 3, 0).handle != nullptr;
}

TEST(Wow64Redirection, OnlyTheVolumeCallsSeeTheRealSystem32) {
  SimPlatform platform(ParseMachine(Windows(64)));
  Wow64Redirection redirection(platform);
  ASSERT_EQ(redirection.TurnOffForVolumeCalls().outcome, RedirectionOutcome::Disabled);
  EXPECT_FALSE(platform.RedirectionDisabled()) << "start-up's turn-off is reverted at once";
  EXPECT_EQ(platform.DiskCheckAvailable("C:\\"), win32_error::kSuccess) << "system DLLs load";

  // The model: a 32-bit process with redirection on is shown SysWOW64 for System32.
  EXPECT_EQ(FirstFile(platform, "C:\\Windows\\System32\\*"), "wow.dll");
  EXPECT_FALSE(Opens(platform, "C:\\Windows\\System32\\native.dll"));
  EXPECT_TRUE(Opens(platform, "C:\\Windows\\System32\\spool\\queue.shd")) << "an exempt folder is not redirected";

  Wow64VolumeIo volumes(platform, redirection);
  EXPECT_EQ(FirstFile(volumes, "C:\\Windows\\System32\\*"), "native.dll");
  EXPECT_TRUE(Opens(volumes, "C:\\Windows\\System32\\native.dll"));
  EXPECT_FALSE(platform.RedirectionDisabled()) << "on again after each call";
  EXPECT_EQ(platform.DiskCheckAvailable("C:\\"), win32_error::kSuccess);
}

TEST(Wow64Redirection, VolumeCallsLeaveRedirectionAloneWhereStartUpCouldNotTurnItOff) {
  for (const std::string& machine : {Windows(32), Windows(64, "fails"), Windows(64, "missing")}) {
    SimPlatform platform(ParseMachine(machine));
    Wow64Redirection redirection(platform);
    redirection.TurnOffForVolumeCalls();
    EXPECT_FALSE(redirection.Usable()) << machine;
    Wow64VolumeIo volumes(platform, redirection);
    EXPECT_TRUE(Opens(volumes, "C:\\Windows\\SysWOW64\\wow.dll")) << machine;
    EXPECT_FALSE(platform.RedirectionDisabled()) << machine;
  }
}

TEST(Wow64Redirection, DriverStoreIsRedirectedBeforeWindows7Only) {
  const std::string path = "\\\\?\\C:\\Windows\\System32\\DriverStore\\x.inf";
  SimPlatform vista(ParseMachine(Windows(64, "works", 6, 0)));
  EXPECT_EQ(vista.RedirectedPath(path), "\\\\?\\C:\\Windows\\SysWOW64\\DriverStore\\x.inf");
  SimPlatform seven(ParseMachine(Windows(64, "works", 6, 1)));
  EXPECT_EQ(seven.RedirectedPath(path), std::nullopt);
  EXPECT_EQ(seven.RedirectedPath("C:\\Windows\\System32x\\y"), std::nullopt) << "another folder";
}

// Regression: start-up left redirection off for good, so every window, message box and the tray
// icon came up with it off (the harness's toolkit fails any of them), and the disk check's
// library failed to load. Now the pass still sees and moves the real System32's file.
TEST(Wow64Redirection, APassOn64BitWindowsMovesSystem32sFilesWithWindowsUpAsUsual) {
  test::ProgramHarness h(Windows(64), "/d");
  h.program.Run();
  EXPECT_FALSE(h.platform.RedirectionDisabled());
  ASSERT_FALSE(h.program.Main().ImageCombo1.Items().empty());
  EXPECT_THAT(h.program.Main().ImageCombo1.Items()[0].text, testing::EndsWith("Status: Error!"))
      << "the disk check's library loaded and found the dirty volume";
  EXPECT_EQ(h.platform.DiskChecks(), 2) << "once for the list, once before the job";
  EXPECT_FALSE(h.program.CommandLine().PassRan());

  test::ProgramHarness clean(Windows(64, "works", 10, 0, "clean"), "/d");
  clean.program.Run();
  ASSERT_TRUE(clean.program.CommandLine().PassRan()) << clean.platform.Dump();
  bool missingParent = false;
  const SimEntry* native = clean.platform.Volume('C')->Find("Windows\\System32\\native.dll", missingParent);
  ASSERT_NE(native, nullptr);
  EXPECT_EQ(native->streams[0].runs.size(), 1u) << "the catalogue found the real System32's file and the pass joined it";
}

TEST(Wow64Redirection, ShellCallsWorkOn64BitWindowsAfterStartUp) {
  test::ProgramHarness h(R"({"drives": [{"letter": "C", "volume": {}}]})");
  h.program.Run();
  h.program.Main().lblInfo.Click();
  h.program.Handover().EmptyRecycleBin();
  h.toolkit.QueueInput("Nightly");
  h.program.Main().Command2.Click();
  EXPECT_EQ(h.platform.Shell().opened.size(), 1u) << "the web link";
  EXPECT_EQ(h.platform.Shell().recycleBinsEmptied, 1);
  EXPECT_EQ(h.platform.Shell().links.size(), 1u) << "the desktop shortcut";
  EXPECT_FALSE(h.platform.RedirectionDisabled());
}

}  // namespace
}  // namespace tarvonel
