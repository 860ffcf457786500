// The machine lock against a fake that plays the other run. Two real
// driver_setup runs contending under Wine: tests/integration/install_cable_device.sh.
#include <gtest/gtest.h>

#include <algorithm>

#include <optional>

#include "driver_setup/machine_lock.h"
#include "tests/unit/fake_lock.h"
#include "tests/unit/test_support.h"

namespace {

struct LockCase {
  const char* name;
  DWORD wait_answer;
  DWORD create_error;
  const char* outcome;  // "held", or the message
  std::vector<std::string> calls;
};

class MachineLockTest : public testing::TestWithParam<LockCase> {};

TEST_P(MachineLockTest, WaitsBoundedlyAndGivesBackWhatItTook) {
  const LockCase& c = GetParam();
  FakeLock fake;
  fake.wait_answer = c.wait_answer;
  fake.create_error = c.create_error;
  SetLastError(0xdeadbeef);
  std::string outcome = error_of([&] { MachineLock lock(fake.api()); });
  EXPECT_EQ(outcome == "(nothing raised)" ? "held" : outcome, c.outcome);
  EXPECT_EQ(fake.calls, c.calls);
  EXPECT_EQ(fake.name.rfind(L"Global\\", 0), 0u);  // one lock for every session
  EXPECT_EQ(fake.descriptors_given, 1);
  EXPECT_EQ(fake.descriptors_freed, 1);
  if (std::find(c.calls.begin(), c.calls.end(), "WaitForSingleObject") != c.calls.end()) {
    EXPECT_NE(fake.wait_ms, INFINITE);
    EXPECT_GT(fake.wait_ms, 30000u);  // longer than an installation's own wait for the endpoints
  }
}

const std::vector<std::string> kHeldAndGiven = {"CreateMutexExW", "WaitForSingleObject", "ReleaseMutex", "CloseHandle"};
const std::vector<std::string> kNotHeld = {"CreateMutexExW", "WaitForSingleObject", "CloseHandle"};

INSTANTIATE_TEST_SUITE_P(
    OtherRun, MachineLockTest,
    testing::Values(LockCase{"None", WAIT_OBJECT_0, 0, "held", kHeldAndGiven},
                    LockCase{"DiedHoldingIt", WAIT_ABANDONED, 0, "held", kHeldAndGiven},
                    LockCase{"StillRunning", WAIT_TIMEOUT, 0, kMachineBusy, kNotHeld},
                    LockCase{"WaitFails", WAIT_FAILED, 0, "Wait for the machine lock (Windows error 6)", kNotHeld},
                    // The name taken by another kind of object, or by a mutex that denies us.
                    LockCase{"NameRefused", WAIT_OBJECT_0, ERROR_ACCESS_DENIED,
                             "Create the machine lock (Windows error 5)", {"CreateMutexExW"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
