#include <gtest/gtest.h>

#include <windows.h>

#include "driver_setup/check_step.h"
#include "tests/unit/test_support.h"

namespace {

std::string message_for(DWORD code, const char* step = "Create root device") {
  SetLastError(code);
  return error_of([&] { check_step(false, step); });
}

TEST(CheckStep, SuccessRaisesNothingAndLeavesTheLastError) {
  SetLastError(0xdeadbeef);
  EXPECT_NO_THROW(check_step(true, "Create root device"));
  EXPECT_EQ(GetLastError(), 0xdeadbeefu);
}

TEST(CheckStep, MessageIsTheStepAndTheCodeInUnsignedDecimal) {
  EXPECT_EQ(message_for(5), "Create root device (Windows error 5)");
  EXPECT_EQ(message_for(0), "Create root device (Windows error 0)");
  EXPECT_EQ(message_for(0xFFFFFFFF), "Create root device (Windows error 4294967295)");
  EXPECT_EQ(message_for(0xE0000203), "Create root device (Windows error 3758096899)");
  EXPECT_EQ(message_for(9, "s"), "s (Windows error 9)");
  EXPECT_EQ(message_for(10, "s"), "s (Windows error 10)");
  EXPECT_EQ(message_for(99, "s"), "s (Windows error 99)");
  EXPECT_EQ(message_for(100, "s"), "s (Windows error 100)");
  EXPECT_EQ(message_for(1000, "s"), "s (Windows error 1000)");
}

TEST(CheckStep, RaisesARuntimeError) {
  SetLastError(2);
  EXPECT_THROW(check_step(false, "x"), std::runtime_error);
}

}  // namespace
