#include "platform/sim/sim_platform.h"

#include <gtest/gtest.h>

#include "base/win32_errors.h"

namespace tarvonel {
namespace {

TEST(SimFormatMessage, KnowsTheProgramsErrorCodesInWindowsWords) {
  SimPlatform platform(ParseMachine("{}"));
  for (uint32_t code : {0u, 1u, 2u, 3u, 5u, 6u, 21u, 32u, 38u, 50u, 87u, 112u, 183u, 234u, 1117u, 1392u}) {
    FormattedMessage message = platform.FormatMessageFromSystem(code, 160);
    EXPECT_GT(message.length, 2u) << code;
    EXPECT_EQ(message.length, message.text.size()) << code;
    EXPECT_TRUE(message.text.ends_with(".\r\n")) << code << ": " << message.text;
  }
  EXPECT_EQ(platform.FormatMessageFromSystem(38, 160).text, "Reached the end of the file.\r\n");
  EXPECT_EQ(platform.FormatMessageFromSystem(234, 160).text, "More data is available.\r\n");
}

TEST(SimFormatMessage, FailsLikeWindows) {
  SimPlatform platform(ParseMachine(R"({"format_message_fails_with": 14})"));
  EXPECT_EQ(platform.FormatMessageFromSystem(0, 160).error, 14u);
  platform.FailFormatMessage(0);
  EXPECT_EQ(platform.FormatMessageFromSystem(0, 160).error, 0u);
  EXPECT_EQ(platform.FormatMessageFromSystem(12345678, 160).error, win32_error::kMrMidNotFound);
  FormattedMessage tooSmall = platform.FormatMessageFromSystem(32, 20);
  EXPECT_EQ(tooSmall.length, 0u);
  EXPECT_EQ(tooSmall.error, win32_error::kInsufficientBuffer);
}

TEST(SimDrives, ListIsInLetterOrderWithNulSeparators) {
  SimPlatform platform(ParseMachine(
      R"({"drives": [{"letter": "E", "type": "cdrom"}, {"letter": "C"}, {"letter": "A", "type": "removable"}]})"));
  EXPECT_EQ(platform.LogicalDriveStrings(), std::string("A:\\\0C:\\\0E:\\\0\0", 13));
  EXPECT_EQ(platform.DriveTypeOf("c:\\"), DriveType::Fixed);
  EXPECT_EQ(platform.DriveTypeOf("E:\\"), DriveType::CdRom);
  EXPECT_EQ(platform.DriveTypeOf("F:\\"), DriveType::NoRootDir);
  EXPECT_EQ(platform.DriveTypeOf("C:"), DriveType::NoRootDir);
}

TEST(SimPrivileges, AdjustGrantsOnlyWhatTheTokenHolds) {
  SimPlatform platform(ParseMachine(R"({"privileges": {"grantable": ["SeShutdownPrivilege"]}})"));
  std::unique_ptr<ProcessToken> token;
  ASSERT_EQ(platform.OpenProcessToken(40, token), 0u);
  ASSERT_NE(token, nullptr);
  Luid luid;
  EXPECT_EQ(platform.LookupPrivilege("SeFlyPrivilege", luid), win32_error::kNoSuchPrivilege);
  ASSERT_EQ(platform.LookupPrivilege("SeBackupPrivilege", luid), 0u);
  EXPECT_EQ(luid.LowPart, 17u);
  EXPECT_EQ(platform.AdjustTokenPrivileges(*token, luid, 2), win32_error::kNotAllAssigned);
  ASSERT_EQ(platform.LookupPrivilege("SeShutdownPrivilege", luid), 0u);
  EXPECT_EQ(platform.AdjustTokenPrivileges(*token, luid, 2), 0u);
  EXPECT_EQ(platform.EnabledPrivileges(), std::set<std::string>{"SeShutdownPrivilege"}) << platform.Dump();
}

TEST(SimVersion, ServicePackFillsTheFixedBuffer) {
  SimPlatform platform(ParseMachine(R"({"os": {"service_pack": "Service Pack 1"}})"));
  OsVersionInfo info;
  info.CSDVersion.fill('x');
  ASSERT_TRUE(platform.QueryOsVersion(info));
  EXPECT_EQ(std::string(info.CSDVersion.data()), "Service Pack 1") << "the rest of the buffer is cleared";
}

}  // namespace
}  // namespace tarvonel
