// The real Windows calls; run under Wine in CI, where some answers differ from Windows.
#include "platform/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/little_endian.h"
#include "platform/records.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/windows_header.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"
#include "shell/registry.h"
#include "shell/shortcuts.h"
#include "ui/headless/headless_toolkit.h"

namespace tarvonel {
namespace {

TEST(Win32CommandTail, ProgramPathAndFollowingBlanksAreSkipped) {
  EXPECT_EQ(CommandTailOf(L"\"C:\\Program Files\\Tarvonel\\Tarvonel.exe\"  /d /dir \"C:\\x y\""),
            L"/d /dir \"C:\\x y\"");
  EXPECT_EQ(CommandTailOf(L"Tarvonel.exe\t/dbg"), L"/dbg");
  EXPECT_EQ(CommandTailOf(L"Tarvonel.exe"), L"");
  EXPECT_EQ(CommandTailOf(L"Tarvonel.exe /d  /o "), L"/d  /o ") << "blanks inside and after the tail stay";
  EXPECT_EQ(CommandTailOf(L"\"unclosed path"), L"");
}

TEST(Win32Text, Utf8SurvivesTheRoundTrip) {
  const std::string path = "C:\\Données\\日本";
  EXPECT_EQ(WideToUtf8(Utf8ToWide(path)), path);
  EXPECT_EQ(Utf8ToWide("\xC3\xA9"), L"\u00E9");
}

TEST(Win32Platform, VersionAndWow64AreAnswered) {
  Win32Platform platform;
  OsVersionInfo info;
  ASSERT_TRUE(platform.QueryOsVersion(info));
  EXPECT_GE(info.MajorVersion, 5u);
  Wow64Query query = platform.IsWow64Process();
  EXPECT_EQ(query.error, 0u);
  if (sizeof(void*) == 8) {
    EXPECT_FALSE(query.isWow64) << "a 64-bit process is never under WOW64";
  }
}

TEST(Win32Platform, PrivilegeLookupAndTokenCalls) {
  Win32Platform platform;
  Luid luid;
  EXPECT_EQ(platform.LookupPrivilege("SeFlyPrivilege", luid), win32_error::kNoSuchPrivilege);
  ASSERT_EQ(platform.LookupPrivilege("SeBackupPrivilege", luid), 0u);
  EXPECT_EQ(luid.LowPart, 17u);
  std::unique_ptr<ProcessToken> token;
  ASSERT_EQ(platform.OpenProcessToken(40, token), 0u);
  ASSERT_NE(token, nullptr);
  uint32_t result = platform.AdjustTokenPrivileges(*token, luid, 2);
  EXPECT_TRUE(result == 0 || result == win32_error::kNotAllAssigned) << result;
}

TEST(Win32Platform, FormatMessageGivesTextOrItsError) {
  Win32Platform platform;
  FormattedMessage message = platform.FormatMessageFromSystem(5, 160);
  ASSERT_GT(message.length, 0u) << "error " << message.error;
  EXPECT_FALSE(message.text.empty());
  FormattedMessage tooSmall = platform.FormatMessageFromSystem(32, 4);
  EXPECT_EQ(tooSmall.length, 0u);
  EXPECT_NE(tooSmall.error, 0u);
}

TEST(Win32Platform, DrivesAndWindowsDirectory) {
  Win32Platform platform;
  const std::string roots = platform.LogicalDriveStrings();
  ASSERT_FALSE(roots.empty());
  EXPECT_EQ(roots.back(), '\0');
  EXPECT_NE(roots.find("C:\\"), std::string::npos) << "every Windows, Wine's too, has a C: drive";
  EXPECT_NE(platform.DriveTypeOf("C:\\"), DriveType::NoRootDir);
  const std::string windows = platform.WindowsDirectory();
  ASSERT_GE(windows.size(), 3u);
  EXPECT_EQ(windows.substr(1, 2), ":\\");
}

}  // namespace
}  // namespace tarvonel

namespace tarvonel {
namespace {

TEST(Win32FileSystem, ListingFreeSpaceAndVolumeFacts) {
  Win32Platform platform;
  FindEntry entry;
  uint32_t error = 0;
  auto search = platform.FindFirst("C:\\windows\\*", entry, error);
  ASSERT_NE(search, nullptr) << "error " << error;
  bool sawSystem32 = false;
  do sawSystem32 = sawSystem32 || (entry.name == "system32" && (entry.attributes & 0x10));
  while (platform.FindNext(*search, entry, error));
  EXPECT_TRUE(sawSystem32);
  EXPECT_EQ(error, 18u) << "the listing ends with ERROR_NO_MORE_FILES";
  EXPECT_EQ(platform.FindFirst("C:\\no such folder\\*", entry, error), nullptr);
  EXPECT_NE(error, 0u);

  DiskFreeSpace space = platform.QueryDiskFreeSpace("C:\\");
  ASSERT_EQ(space.error, 0u);
  EXPECT_GT(space.sectorsPerCluster, 0u);
  EXPECT_GE(space.totalClusters, space.freeClusters);
  VolumeInformation info = platform.QueryVolumeInformation("C:\\");
  ASSERT_EQ(info.error, 0u);
  EXPECT_FALSE(info.fileSystemName.empty());
}

TEST(Win32FileSystem, OpensSeeksAndReads) {
  Win32Platform platform;
  EXPECT_EQ(platform.OpenPath("\\\\?\\C:\\windows\\no-such-file.txt", 0x80, 3, 0).error, 2u);
  OpenResult directory = platform.OpenPath("\\\\?\\C:\\windows", 0x80000000, 3, 0x02000000);
  ASSERT_NE(directory.handle, nullptr) << "error " << directory.error;
  // FILE_BASIC_INFORMATION, where a move's open reads whether a file is encrypted.
  uint8_t basic[record::kBasicInformationSize] = {};
  uint32_t information = 0;
  ASSERT_EQ(platform.NtQueryInformationFile(*directory.handle, basic, sizeof basic, win32::kFileBasicInformation,
                                            information),
            win32::kStatusSuccess);
  EXPECT_EQ(information, record::kBasicInformationSize);
  EXPECT_NE(le::U32(basic + record::kBasicFileAttributes) & win32::kAttributeDirectory, 0u);
  OpenResult file = platform.OpenPath("\\\\?\\C:\\windows\\win.ini", 0x80000000, 3, 0);
  ASSERT_NE(file.handle, nullptr) << "error " << file.error;
  ASSERT_EQ(platform.SetFilePointer(*file.handle, 1, 0), 0u);
  char bytes[4] = {};
  uint32_t read = 0;
  EXPECT_EQ(platform.ReadFile(*file.handle, bytes, 4, read), 0u);
  EXPECT_EQ(read, 4u);
}

TEST(Win32FileSystem, DefragmentationInterfaceWhereTheSystemHasOne) {
  Win32Platform platform;
  OpenResult file = platform.OpenPath("\\\\?\\C:\\windows\\win.ini", 0x80, 3, 0x20000000);
  ASSERT_NE(file.handle, nullptr);
  uint8_t input[8] = {};
  std::vector<uint8_t> output(16400);
  uint32_t returned = 0;
  const uint32_t error =
      platform.DeviceIoControl(*file.handle, 0x00090073, input, 8, output.data(), 16400, returned);
  if (error == 1 || error == 50 || error == 87) {
    GTEST_SKIP() << "this system has no retrieval pointers (Wine has no defragmentation interface); error " << error;
  }
  ASSERT_TRUE(error == 0 || error == 38) << error;
  if (error == 0) {
    EXPECT_GE(returned, 32u);
  }
}

}  // namespace
}  // namespace tarvonel

namespace tarvonel {
namespace {

// The registry routines on the real registry, below a key of the current user's own.
TEST(Win32Registry, RoutinesWriteReadAndDeleteATree) {
  Win32Platform platform;
  VirtualClock clock;
  HeadlessToolkit toolkit(clock);
  RegistryRoutines registry(platform, toolkit);
  const std::string base = "Software\\TarvonelTest";
  registry.RegDeleteKeyTree(win32::kHkeyCurrentUser, base);
  ASSERT_TRUE(registry.RegWriteString(win32::kHkeyCurrentUser, base + "\\verb\\command", "", "\"C:\\P F\\T.exe\" /d"));
  registry.RegWriteString(win32::kHkeyCurrentUser, base + "\\other", "Name", "Données");
  EXPECT_EQ(registry.RegReadString(win32::kHkeyCurrentUser, base + "\\verb\\command", ""), "\"C:\\P F\\T.exe\" /d");
  EXPECT_EQ(registry.RegReadString(win32::kHkeyCurrentUser, base + "\\other", "Name"), "Données");
  EXPECT_EQ(registry.RegReadString(win32::kHkeyCurrentUser, base + "\\missing", ""), "");
  registry.RegDeleteKeyTree(win32::kHkeyCurrentUser, base);
  EXPECT_EQ(registry.RegReadString(win32::kHkeyCurrentUser, base + "\\other", "Name"), "");
  EXPECT_TRUE(toolkit.MessageBoxes().empty());
}

TEST(Win32Shell, EnvironmentFoldersAndAShortcutOnDisk) {
  Win32Platform platform;
  EXPECT_EQ(ExpandEnvStrings(platform, "%SystemRoot%").substr(1, 2), ":\\");
  EXPECT_EQ(ExpandEnvStrings(platform, "%TARVONEL_UNSET_VARIABLE%"), "%TARVONEL_UNSET_VARIABLE%");
  EXPECT_FALSE(GetSpecialFolder(platform, platform, "desktop").empty());
  EXPECT_EQ(GetSpecialFolder(platform, platform, "no such folder"), "");
  const std::string folder = platform.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  cShortcut shortcut(platform, platform);
  EXPECT_EQ(shortcut.CreateShortcutAt(folder, "tarvonel test link", "%SystemRoot%\\notepad.exe", "/drv C: /d"), 0u);
  EXPECT_TRUE(shortcut.LinkExists("tarvonel test link", folder));
  ::DeleteFileW(Utf8ToWide(AddSlash(folder) + "tarvonel test link.lnk").c_str());
  EXPECT_NE(shortcut.CreateShortcutAt(folder, "bad?name", "x.exe"), 0u) << "a name that is no file name fails";
}

}  // namespace
}  // namespace tarvonel
