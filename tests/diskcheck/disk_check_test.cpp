#include "diskcheck/disk_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "test_harness.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;

std::string Machine(const std::string& check) {
  return R"({"drives": [{"letter": "C", "volume": {"generate": {"files": 40, "seed": 2}}, "disk_check": )" + check +
         "}]}";
}

class RecordingSink : public IChkDskSink {
 public:
  void Done(bool& bError) override { events.push_back(bError ? "done: error" : "done: ok"); }
  void Progress(int32_t value, bool& bCancel) override {
    events.push_back("progress " + std::to_string(value));
    bCancel = cancelAt == value;
  }
  void Status(const std::string& text, bool&) override { events.push_back("status " + text); }
  std::vector<std::string> events;
  int32_t cancelAt = -1;
};

TEST(DiskCheck, ReportsReachTheSinkInOrder) {
  SimPlatform platform(ParseMachine(Machine(R"({"state": "dirty", "progress": [10, 60], "text": ["Checking", "Errors found"]})")));
  DiskCheck check(platform, platform);
  RecordingSink sink;
  check.CheckVolume("C:\\", false, false, true, false, sink);
  EXPECT_THAT(sink.events, ElementsAre("progress 10", "progress 60", "status Checking", "status Errors found", "done: error"));

  SimPlatform unreadable(ParseMachine(Machine(R"({"state": "dirty", "text": ["x"], "unreadable_text": true})")));
  DiskCheck skipped(unreadable, unreadable);
  RecordingSink quiet;
  skipped.CheckVolume("C:\\", false, false, true, false, quiet);
  EXPECT_THAT(quiet.events, ElementsAre("done: error")) << "an unreadable text record is skipped";

  RecordingSink cancelling;
  cancelling.cancelAt = 10;
  DiskCheck again(platform, platform);
  again.CheckVolume("C:\\", false, false, true, false, cancelling);
  EXPECT_THAT(cancelling.events, ElementsAre("progress 10")) << "a cancel stops the check";
}

TEST(DiskCheck, CleanMissingAndNestedChecks) {
  SimPlatform clean(ParseMachine(Machine(R"({"state": "clean", "progress": [50]})")));
  DiskCheck check(clean, clean);
  RecordingSink sink;
  check.CheckVolume("C:\\", false, false, true, false, sink);
  EXPECT_THAT(sink.events, ElementsAre("done: ok")) << "only if dirty: a clean volume ends at once";

  for (const char* state : {"missing_library", "missing_export"}) {
    SimPlatform missing(ParseMachine(Machine(std::string(R"({"state": ")") + state + "\"}")));
      DiskCheck none(missing, missing);
    RecordingSink nothing;
    none.CheckVolume("C:\\", false, false, true, false, nothing);
    EXPECT_TRUE(nothing.events.empty()) << state;
    EXPECT_EQ(missing.DiskChecks(), 0) << state;
  }

  // A check asked for from inside a running one is ignored.
  SimPlatform dirty(ParseMachine(Machine(R"({"state": "dirty", "progress": [5]})")));
  DiskCheck outer(dirty, dirty);
  struct NestingSink : RecordingSink {
    DiskCheck* check = nullptr;
    void Progress(int32_t value, bool& bCancel) override {
      RecordingSink::Progress(value, bCancel);
      RecordingSink inner;
      check->CheckVolume("C:\\", false, false, true, false, inner);
      nested = inner.events.size();
    }
    size_t nested = 99;
  } nesting;
  nesting.check = &outer;
  outer.CheckVolume("C:\\", false, false, true, false, nesting);
  EXPECT_EQ(nesting.nested, 0u);
  EXPECT_EQ(dirty.DiskChecks(), 1);
}

TEST(DiskCheckRun, DirtyDriveWarnsAtStartAndRefusesTheCommandLineJob) {
  test::ProgramHarness h(Machine(R"({"state": "dirty", "progress": [40]})"), "/d");
  h.program.Run();
  std::vector<std::string> warnings;
  for (const MessageBoxRecord& box : h.toolkit.MessageBoxes()) warnings.push_back(box.prompt);
  ASSERT_THAT(warnings, ElementsAre("One or more volumes are 'dirty'!\r\nYou should run Chkdsk to correct errors.",
                                    "One or more volumes are 'dirty'!\r\nYou should run Chkdsk to correct errors."))
      << "once for the drive list, once before the job";
  EXPECT_EQ(h.toolkit.MessageBoxes()[0].icon, MsgBoxIcon::Exclamation);
  EXPECT_TRUE(h.program.Flags().DiskCheckFailed);
  EXPECT_EQ(h.platform.Moves(), 0) << "no pass on a dirty volume";
  EXPECT_EQ(h.program.Jobs().PB.Value(), 0) << "the bar is back at 0 when the check ends";

  test::ProgramHarness clean(Machine(R"({"state": "clean"})"), "/d");
  clean.program.Run();
  EXPECT_TRUE(clean.toolkit.MessageBoxes().empty());
  EXPECT_FALSE(clean.program.Flags().DiskCheckFailed);
  EXPECT_TRUE(clean.program.CommandLine().PassRan()) << "a clean volume runs its job";
}

}  // namespace
}  // namespace tarvonel
