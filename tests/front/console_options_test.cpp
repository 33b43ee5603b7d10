#include "front/linux/console_options.h"

#include <gtest/gtest.h>

namespace tarvonel {
namespace {

TEST(ConsoleOptions, TailIsJoinedBySingleSpacesAndKeepsEmptyWords) {
  ConsoleOptions options = ParseConsoleOptions({"--machine", "m.json", "--", "/d", "", "/o"});
  EXPECT_EQ(options.machineFile, "m.json");
  EXPECT_EQ(options.commandTail, "/d  /o");
}

TEST(ConsoleOptions, ProgramSwitchesStartTheTailEvenWithoutDoubleDash) {
  EXPECT_EQ(ParseConsoleOptions({"/dbg", "--machine"}).commandTail, "/dbg --machine");
  EXPECT_EQ(ParseConsoleOptions({"-d", "/close"}).commandTail, "-d /close");
  EXPECT_EQ(ParseConsoleOptions({"--", "--help"}).commandTail, "--help");
  EXPECT_FALSE(ParseConsoleOptions({"--", "--help"}).help);
  EXPECT_EQ(ParseConsoleOptions({"/d /dir \"C:\\My Files\""}).commandTail, "/d /dir \"C:\\My Files\"");
  EXPECT_EQ(ParseConsoleOptions({}).commandTail, "");
}

TEST(ConsoleOptions, BadOptionsAreUsageErrors) {
  EXPECT_THROW(ParseConsoleOptions({"--machine"}), UsageError);
  EXPECT_THROW(ParseConsoleOptions({"--bogus", "/d"}), UsageError);
  EXPECT_TRUE(ParseConsoleOptions({"--help"}).help);
}

}  // namespace
}  // namespace tarvonel
