#include "health/temperatures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/win32_codes.h"
#include "base/win32_errors.h"
#include "test_harness.h"
#include "volume_fixture.h"

namespace tarvonel {
namespace {

using ::testing::ElementsAre;
using test::ProgramHarness;

std::string MachineWithSmart(const std::string& smart) {
  return R"({"os": {"windows_directory": "C:\\Windows"}, "drives": [{"letter": "C", "smart": )" + smart +
         R"(, "volume": {"total_clusters": 20000, "entries": [
    {"name": "a.dat", "extents": )" + test::ScatteredRuns(8, 5000) + R"(},
    {"name": "b.dat", "extents": )" + test::ScatteredRuns(8, 9000) + R"(}]}}]})";
}

struct Recorder : ITemperatureEvents {
  void HDDTempOK(int16_t t) override { events.push_back("OK " + std::to_string(t)); }
  void HDDTempNA(int16_t t) override { events.push_back("NA " + std::to_string(t)); }
  void HDDTempCritical(int16_t t) override { events.push_back("Critical " + std::to_string(t)); }
  std::vector<std::string> events;
};

std::vector<std::string> Readings(const std::string& smart, int count) {
  SimPlatform platform(ParseMachine(MachineWithSmart(smart)));
  Recorder recorder;
  clsTemperatures temperatures(platform, [] { return std::string("C:"); }, recorder);
  for (int i = 0; i < count; ++i) temperatures.QueryHDDTemperature();
  EXPECT_EQ(platform.OpenHandles(), 0) << "the device handle is closed after each reading";
  return recorder.events;
}

TEST(SmartTemperature, ThresholdAndMissingReadings) {
  EXPECT_THAT(Readings(R"({"readings": [55, 56, 0, 40]})", 4), ElementsAre("OK 55", "Critical 56", "NA 0", "OK 40"))
      << "55 is fine, 56 critical, a raw 0 is no reading; only the lowest raw byte counts";
  EXPECT_THAT(Readings(R"({"temperature_attribute": false, "readings": [45]})", 1), ElementsAre("NA 0"));
  EXPECT_THAT(Readings(R"({"state": "not_supported"})", 1), ElementsAre("NA 0"));
  EXPECT_THAT(Readings(R"({"state": "invalid_function"})", 1), ElementsAre("NA 0"))
      << "the enable request may be unknown, but then the read fails too";
  // Regression: a reply whose driver status reports an error was read as if its page held data.
  EXPECT_THAT(Readings(R"({"state": "driver_error", "readings": [45]})", 1), ElementsAre("NA 0"));
}

TEST(SmartTemperature, TheSimRefusesSmartOnAReadOnlyHandleAsWindowsDoes) {
  SimPlatform platform(ParseMachine(MachineWithSmart("{}")));
  OpenResult readOnly = platform.OpenPath("\\\\.\\C:", win32::kGenericRead, win32::kFileShareReadWrite, 0);
  ASSERT_TRUE(readOnly.handle);
  std::vector<uint8_t> block(32, 0), reply(528, 0);
  uint32_t returned = 0;
  EXPECT_EQ(platform.DeviceIoControl(*readOnly.handle, win32::kSmartRcvDriveData, block.data(), 32, reply.data(), 528,
                                     returned),
            win32_error::kAccessDenied);
}

// Moves the virtual clock on at every yield of the job, so that its timers come due.
struct ClockDriver {
  explicit ClockDriver(ProgramHarness& harness) : h(harness) { Queue(); }
  void Queue() {
    h.toolkit.QueueAction([this] {
      if (stopped) return;
      h.clock.Advance(10000);
      Queue();
    });
  }
  ProgramHarness& h;
  bool stopped = false;
};

TEST(TemperatureWatch, ReadingsDuringAPassShowOnTheTemperatureLine) {
  ProgramHarness h(MachineWithSmart(R"({"readings": [41]})"), "/d");
  ClockDriver driver(h);
  h.program.Run();
  driver.stopped = true;
  EXPECT_EQ(h.program.Jobs().Label6.Caption(), "C: temp 41 °C");
  EXPECT_FALSE(h.program.Jobs().tmrTemperatures.Enabled()) << "the watch is off once the pass has ended";
}

TEST(TemperatureWatch, AHotDiskHoldsThePassUntilItCoolsAndLogsInOrder) {
  ProgramHarness h(MachineWithSmart(R"({"readings": [58, 60, 0, 50, 40]})"), "/dbg /d");
  ClockDriver driver(h);
  int warnings = 0;
  int movesAtWarning = -1;
  std::vector<std::string> temperaturesShown;
  h.toolkit.onModal = [&](Window& window) {
    if (window.Name() != "HDDTempWarning") return;
    ++warnings;
    movesAtWarning = h.platform.Moves();
    HDDTempWarning& warning = h.program.Jobs().TemperatureWarning();
    for (int tick = 0; tick < 10 && warning.Visible(); ++tick) {
      h.clock.Advance(30000);
      h.toolkit.DoEvents();  // the job window's own tick is due too, and must not nest
      temperaturesShown.push_back(warning.LblHDDTemp.Caption());
    }
    EXPECT_EQ(h.platform.Moves(), movesAtWarning) << "nothing moves while the warning is up";
  };
  h.program.Run();
  driver.stopped = true;
  EXPECT_EQ(warnings, 1);
  EXPECT_THAT(temperaturesShown, ElementsAre("60°C", "60°C", "60°C")) << "60 and 0 keep it open, 50 closes it";
  std::vector<std::string> heat;
  for (const std::string& line : h.LogLines()) {
    if (line.starts_with("HD Temp HIGH")) heat.push_back(line);
  }
  EXPECT_THAT(heat, ElementsAre("HD Temp HIGH: 60", "HD Temp HIGH: 58"));
  EXPECT_GT(h.platform.Moves(), movesAtWarning) << "the pass resumed";
}

TEST(TemperatureWatch, StopAndDisableInTheWarningWindow) {
  ProgramHarness stopped(MachineWithSmart(R"({"readings": [70]})"), "/d");
  ClockDriver stopDriver(stopped);
  stopped.toolkit.onModal = [&](Window&) { stopped.program.Jobs().TemperatureWarning().Command2.Click(); };
  stopped.program.Run();
  stopDriver.stopped = true;
  EXPECT_TRUE(stopped.program.Flags().StopRequested);
  EXPECT_EQ(stopped.program.Jobs().Label6.ForeColor(), map_colour::kDim);
  EXPECT_EQ(stopped.program.Jobs().State(), JobWindowState::Idle);

  ProgramHarness disabled(MachineWithSmart(R"({"readings": [70]})"), "/d");
  ClockDriver disableDriver(disabled);
  int warnings = 0;
  disabled.toolkit.onModal = [&](Window&) {
    ++warnings;
    disabled.program.Jobs().TemperatureWarning().Command1.Click();
  };
  disabled.program.Run();
  disableDriver.stopped = true;
  EXPECT_EQ(warnings, 1) << "no further readings in this pass";
  EXPECT_FALSE(disabled.program.Flags().StopRequested);
  EXPECT_GT(disabled.platform.Moves(), 0) << "the pass went on";
}

}  // namespace
}  // namespace tarvonel
