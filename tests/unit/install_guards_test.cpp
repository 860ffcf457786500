// The running-game check in front of the installation; it is also shown under
// Wine by tests/integration/install_cable_device.sh. Missing administrator rights
// (Wine runs every program as an administrator) are shown only by the failure
// table of install_cable_device_test.cpp.
#include <gtest/gtest.h>

#include "driver_setup/devices/install.h"
#include "tests/unit/fake_install.h"
#include "tests/unit/test_support.h"

namespace {

const char kGameRefusal[] = "Close Rocksmith before installing the virtual audio driver; no device was changed";

bool touched_devices(const FakeInstallApi& fake) {
  for (const auto& call : fake.calls)
    if (call.rfind("SetupDi", 0) == 0 || call.rfind("DIF_", 0) == 0 || call.rfind("Update", 0) == 0) return true;
  return false;
}

TEST(InstallGuards, EitherGameInAnyCaseRefusesOnceAfterWalkingTheWholeList) {
  const std::vector<std::vector<std::wstring>> machines = {
      {L"ROCKSMITH2014.EXE", L"explorer.exe"},
      {L"System", L"rocksmith.exe", L"svchost.exe"},
      {L"Rocksmith.exe", L"Rocksmith2014.exe", L"RockSmith.EXE"},
  };
  for (const auto& machine : machines) {
    FakeInstallApi fake;
    fake.processes = machine;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(error_of([&] { install_cable_device(L"C:\\payload", fake.api()); }), kGameRefusal);
    EXPECT_EQ(fake.entries_handed, machine.size());
    EXPECT_EQ(fake.calls.back(), "CloseHandle");
    EXPECT_EQ(fake.snapshot_flags, static_cast<DWORD>(TH32CS_SNAPPROCESS));
    EXPECT_EQ(fake.snapshot_process, 0u);
    EXPECT_FALSE(fake.bad_entry_size);
    EXPECT_EQ(fake.snapshots_closed, 1);
    EXPECT_FALSE(touched_devices(fake));
  }
}

TEST(InstallGuards, NamesThatOnlyContainAGameDoNotBlock) {
  FakeInstallApi fake;
  fake.processes = {L"MyRocksmith.exe", L"Rocksmith.exe.exe", L"Rocksmith2014", L"Rocksmith2014.ex",
                    L"Rocksmith .exe",  L"Rocksmith.exe ",    L"Rocksmith2015.exe", L"Rocksmith\u0130.exe"};
  EXPECT_TRUE(install_cable_device(L"C:\\payload", fake.api()));
  EXPECT_EQ(fake.entries_handed, fake.processes.size());
}

TEST(InstallGuards, AnEmptyOrUnreadableProcessListFindsNoGame) {
  for (const DWORD first_error : {DWORD{ERROR_NO_MORE_FILES}, DWORD{ERROR_ACCESS_DENIED}}) {
    FakeInstallApi fake;
    fake.first_process_error = first_error;
    EXPECT_TRUE(install_cable_device(L"C:\\payload", fake.api()));
    EXPECT_EQ(fake.snapshots_closed, 1);
    EXPECT_EQ(fake.sets_destroyed, 1);
  }
}

}  // namespace
