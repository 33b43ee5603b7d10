// The simulated registry and SMART device answer as Windows does where the program relies on it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

#include "platform/sim/machine.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32_codes.h"
#include "base/win32_errors.h"

namespace tarvonel {
namespace {

TEST(SimRegistry, DeleteNeedsAnEmptyKeyAndHandlesOfDeletedKeysFail) {
  SimPlatform platform(ParseMachine(
      R"({"registry": [{"key": "HKEY_CLASSES_ROOT\\Drive\\shell\\Verb\\command", "value": "x"}]})"));
  std::unique_ptr<RegistryKey> root = platform.PredefinedKey(win32::kHkeyClassesRoot);
  std::unique_ptr<RegistryKey> verb;
  ASSERT_EQ(platform.RegistryOpenKey(*root, "drive\\SHELL\\verb", win32::kKeyAllAccessLow, verb), 0u)
      << "key names ignore case";
  EXPECT_EQ(platform.RegistryDeleteKey(*root, "Drive\\shell\\Verb", 0), win32_error::kAccessDenied)
      << "a key with subkeys is not deleted";
  EXPECT_EQ(platform.RegistryDeleteKey(*verb, "command", 0), 0u);
  EXPECT_EQ(platform.RegistryDeleteKey(*root, "Drive\\shell\\Verb", 0), 0u);
  EXPECT_EQ(platform.RegistrySetString(*verb, "", "y"), win32_error::kKeyDeleted);
  EXPECT_EQ(platform.RegistryDeleteKey(*root, "Drive\\shell\\Verb", 0), win32_error::kFileNotFound);

  std::unique_ptr<RegistryKey> readOnly;
  ASSERT_EQ(platform.RegistryOpenKey(*root, "Drive", win32::kKeyQueryValue, readOnly), 0u);
  EXPECT_EQ(platform.RegistrySetString(*readOnly, "", "z"), win32_error::kAccessDenied);
  std::string name;
  EXPECT_EQ(platform.RegistryEnumKey(*readOnly, 0, 256, name), win32_error::kAccessDenied);

  RegistryValue value;
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(platform.RegistryCreateKey(*root, "Long", win32::kKeyAllAccessLow, key), 0u);
  ASSERT_EQ(platform.RegistrySetString(*key, "", std::string(300, 'v')), 0u);
  EXPECT_EQ(platform.RegistryEnumValue(*key, 0, 255, 255, value), win32_error::kMoreData)
      << "a value larger than the buffer is not cut short";
  EXPECT_EQ(platform.RegistryEnumValue(*key, 1, 255, 255, value), win32_error::kNoMoreItems);
}

TEST(SimSmart, DataPageHasTheHeaderAttributeAndAValidChecksum) {
  SimPlatform platform(ParseMachine(R"({"drives": [{"letter": "C", "smart": {"readings": [47, 52]},
                                         "volume": {"total_clusters": 1024, "entries": []}}]})"));
  OpenResult device = platform.OpenPath("\\\\.\\C:", win32::kGenericRead | win32::kGenericWrite,
                                        win32::kFileShareReadWrite, 0);
  ASSERT_TRUE(device.handle);
  std::vector<uint8_t> block(32, 0);
  block[0] = 0x00;
  block[1] = 0x02;
  block[4] = 0xD0;
  block[5] = 1;
  block[6] = 1;
  block[7] = 0x4F;
  block[8] = 0xC2;
  block[10] = 0xB0;
  for (int reading : {47, 52, 52}) {
    std::vector<uint8_t> reply(528, 0xEE);
    uint32_t returned = 0;
    ASSERT_EQ(platform.DeviceIoControl(*device.handle, win32::kSmartRcvDriveData, block.data(), 32, reply.data(), 528,
                                       returned),
              0u);
    EXPECT_EQ(returned, 528u);
    EXPECT_EQ(reply[4], 0) << "no driver error";
    const uint8_t sum = std::accumulate(reply.begin() + 16, reply.end(), uint8_t{0},
                                        [](uint8_t a, uint8_t b) { return static_cast<uint8_t>(a + b); });
    EXPECT_EQ(sum, 0) << "the page's bytes add up to 0 modulo 256";
    bool found = false;
    for (size_t entry = 16 + 2; entry < 16 + 362; entry += 12) {
      if (reply[entry] == 194) {
        EXPECT_EQ(reply[entry + 5], reading) << "the last reading repeats";
        found = true;
      }
    }
    EXPECT_TRUE(found);
  }
  block[4] = 0xD1;  // thresholds: not offered
  std::vector<uint8_t> reply(528, 0);
  uint32_t returned = 0;
  EXPECT_EQ(platform.DeviceIoControl(*device.handle, win32::kSmartRcvDriveData, block.data(), 32, reply.data(), 528,
                                     returned),
            win32_error::kInvalidParameter);
}

}  // namespace
}  // namespace tarvonel
