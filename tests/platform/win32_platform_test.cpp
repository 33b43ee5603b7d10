// The real Windows calls; run under Wine in CI, where some answers differ from Windows.
#include "platform/win32/win32_platform.h"

#include <gtest/gtest.h>

#include "platform/win32/text_conversion.h"
#include "platform/win32_errors.h"

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
