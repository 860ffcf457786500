// Functions bound from the system folder at run time, and the stand-ins that
// fail in their place when the system folder lacks them.
#include <gtest/gtest.h>

#include <windows.h>
#include <newdev.h>
#include <wintrust.h>

#include "common/system_library.h"

namespace {

TEST(SystemFunction, MissingFunctionsFailAsTheirCallersExpect) {
  decltype(&::UpdateDriverForPlugAndPlayDevicesW) update = win::SystemFunction{L"newdev.dll", "NoSuchFunction"};
  BOOL restart = FALSE;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(update(nullptr, L"VBAudioVACWDM", L"C:\\x.inf", 0, &restart));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  // A status result must not read as success (0 is "trusted").
  decltype(&::WinVerifyTrust) trust = win::SystemFunction{L"no_such_library.dll", "WinVerifyTrust"};
  EXPECT_EQ(trust(nullptr, nullptr, nullptr), static_cast<LONG>(0xC000007A));
}

}  // namespace
