// Device creation and driver installation against the fake. Under Wine every
// one of these calls succeeds (the driver installation too, even without an
// INF file), so the failures, the removal after a failed installation and a
// restart request can only be shown here; tests/integration/install_cable_device.sh
// shows the successful road on Wine's own SetupAPI.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "driver_setup/devices/cable_device.h"
#include "driver_setup/devices/cable_mark.h"
#include "driver_setup/devices/install.h"
#include "tests/unit/fake_install.h"
#include "tests/unit/test_support.h"

namespace {

template <typename T>
std::vector<BYTE> bytes_of(const T* data, size_t count) {
  const auto* first = reinterpret_cast<const BYTE*>(data);
  return std::vector<BYTE>(first, first + count * sizeof(T));
}

TEST(InstallCableDevice, CreatesRegistersAndInstallsOnTheNewRootDevice) {
  FakeInstallApi fake;
  EXPECT_TRUE(install_cable_device(L"C:\\payload", fake.api()));
  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "IsUserAnAdmin", "CreateToolhelp32Snapshot", "Process32FirstW", "Process32NextW",
                            "Process32NextW", "Process32NextW", "CloseHandle", "SetupDiCreateDeviceInfoList",
                            "SetupDiCreateDeviceInfoW", "SetupDiSetDeviceRegistryPropertyW", "DIF_REGISTERDEVICE",
                            "SetupDiSetDevicePropertyW", "UpdateDriverForPlugAndPlayDevicesW",
                            "SetupDiDestroyDeviceInfoList"}));
  EXPECT_EQ(fake.mark, kCableMarkValue);  // marked before its driver arrives
  EXPECT_EQ(fake.set_class, kMediaDeviceClass);
  EXPECT_EQ(fake.set_window, nullptr);
  EXPECT_EQ(fake.device_name, L"MEDIA");
  EXPECT_EQ(fake.device_class, kMediaDeviceClass);
  EXPECT_EQ(fake.device_description, L"VB-Audio Virtual Cable");
  EXPECT_EQ(fake.device_window, nullptr);
  EXPECT_EQ(fake.device_flags, static_cast<DWORD>(DICD_GENERATE_ID));
  EXPECT_FALSE(fake.bad_devinfo_size);
  EXPECT_FALSE(fake.foreign_device);
  EXPECT_EQ(fake.property, static_cast<DWORD>(SPDRP_HARDWAREID));
  const wchar_t list[] = L"VBAudioVACWDM\0";  // one entry and the closing empty one
  EXPECT_EQ(fake.property_value.size(), 30u);
  EXPECT_EQ(fake.property_value, bytes_of(list, 15));
  EXPECT_EQ(fake.update_window, nullptr);
  EXPECT_EQ(fake.update_hardware_id, L"VBAudioVACWDM");
  EXPECT_EQ(fake.update_inf_path, L"C:\\payload\\vbMmeCable64_win10.inf");
  EXPECT_EQ(fake.update_flags, static_cast<DWORD>(INSTALLFLAG_FORCE | INSTALLFLAG_NONINTERACTIVE));
  EXPECT_EQ(fake.sets_destroyed, 1);
  EXPECT_EQ(fake.snapshots_closed, 1);
}

// A machine that had the cable before keeps its package in the driver store:
// the verified package is installed all the same, and the device stays.
TEST(InstallCableDevice, InstallsOverAnEqualOrBetterDriverInTheStore) {
  FakeInstallApi fake;
  fake.store_has_equal_or_better_driver = true;
  EXPECT_EQ(error_of([&] { install_cable_device(L"C:\\payload", fake.api()); }), "(nothing raised)");
  EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "DIF_REMOVE"), 0);
}

TEST(InstallCableDevice, FolderWithOrWithoutTrailingBackslashGivesOneInfPath) {
  for (const wchar_t* folder : {L"Z:\\pkg\\cable", L"Z:\\pkg\\cable\\"}) {
    FakeInstallApi fake;
    install_cable_device(folder, fake.api());
    EXPECT_EQ(fake.update_inf_path, L"Z:\\pkg\\cable\\vbMmeCable64_win10.inf") << folder;
  }
}

TEST(InstallCableDevice, RelativeFolderBecomesAFullInfPathAndAFullOneStaysAsGiven) {
  const std::pair<const wchar_t*, std::wstring> cases[] = {
      {L"pkg\\cable", (std::filesystem::current_path() / L"pkg\\cable\\vbMmeCable64_win10.inf").wstring()},
      {L"Z:/pkg/cable", L"Z:/pkg/cable\\vbMmeCable64_win10.inf"},  // resolving would turn the slashes
  };
  for (const auto& [folder, inf_path] : cases) {
    FakeInstallApi fake;
    install_cable_device(folder, fake.api());
    EXPECT_EQ(fake.update_inf_path, inf_path) << folder;
  }
}

// GetFullPathNameW as its reference page documents it: the length without the
// terminator when the path and its terminator fit, otherwise the size needed
// with the terminator, and nothing copied. A caller that keeps asking gets a
// failure (0) in the end, so that a sizing fault fails instead of hanging.
std::wstring g_full_inf_path;
int g_full_path_calls = 0;
DWORD WINAPI documented_full_path(LPCWSTR, DWORD size, LPWSTR buffer, LPWSTR* file_part) {
  if (file_part) *file_part = nullptr;
  if (++g_full_path_calls > 10) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto length = static_cast<DWORD>(g_full_inf_path.size());
  if (length + 1 > size) return length + 1;
  std::copy(g_full_inf_path.begin(), g_full_inf_path.end(), buffer);
  buffer[length] = L'\0';
  return length;
}

// The first buffer holds MAX_PATH characters: full paths one shorter than it,
// exactly as long (no room for the terminator) and one longer.
TEST(InstallCableDevice, FullInfPathAtTheFirstBuffersBoundaryArrivesWhole) {
  for (const size_t length : {MAX_PATH - 1, MAX_PATH, MAX_PATH + 1}) {
    const std::wstring tail = L"\\vbMmeCable64_win10.inf";
    g_full_inf_path = L"C:\\" + std::wstring(length - 3 - tail.size(), L'p') + tail;
    ASSERT_EQ(g_full_inf_path.size(), length);
    g_full_path_calls = 0;
    FakeInstallApi fake;
    InstallApi api = fake.api();
    api.get_full_path_name = documented_full_path;
    install_cable_device(L"pkg", api);
    EXPECT_EQ(fake.update_inf_path, g_full_inf_path) << length;
  }
}

// GetFullPathNameW fails (0, with its last error): the path goes on as given.
TEST(InstallCableDevice, InfPathThatCannotBeResolvedGoesOnAsGiven) {
  FakeInstallApi fake;
  InstallApi api = fake.api();
  api.get_full_path_name = [](LPCWSTR, DWORD, LPWSTR, LPWSTR*) -> DWORD {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  };
  EXPECT_TRUE(install_cable_device(L"pkg", api));
  EXPECT_EQ(fake.update_inf_path, L"pkg\\vbMmeCable64_win10.inf");
}

TEST(InstallCableDevice, FailedInstallationRemovesTheDeviceAndReportsItsOwnCode) {
  struct Removal {
    DWORD params_error, remove_error;
  };
  // The removal succeeding (leaving NO_ERROR) and failing with codes of its own.
  for (const Removal removal : {Removal{0, 0}, Removal{ERROR_ACCESS_DENIED, 0xE000020B}}) {
    FakeInstallApi fake;
    fake.update_error = 0xE000022F;  // ERROR_NO_CATALOG_FOR_OEM_INF: the package is not signed
    fake.set_params_error = removal.params_error;
    fake.remove_error = removal.remove_error;
    EXPECT_EQ(error_of([&] { install_cable_device(L"C:\\payload", fake.api()); }),
              "Install signed VB-CABLE driver (Windows error 3758096943)");
    const std::vector<std::string> tail(fake.calls.end() - 4, fake.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"UpdateDriverForPlugAndPlayDevicesW", "SetupDiSetClassInstallParamsW",
                                              "DIF_REMOVE", "SetupDiDestroyDeviceInfoList"}));
    // Header size 8, DIF_REMOVE, DI_REMOVEDEVICE_GLOBAL, hardware profile 0.
    const DWORD params[] = {8, DIF_REMOVE, DI_REMOVEDEVICE_GLOBAL, 0};
    EXPECT_EQ(fake.remove_params, bytes_of(params, 4));
    EXPECT_FALSE(fake.foreign_device);
    EXPECT_EQ(fake.sets_destroyed, 1);
  }
}

struct FailureCase {
  const char* name;
  void (*arrange)(FakeInstallApi&);
  const char* message;
  int snapshots_taken;
  int sets_opened;
};

class InstallCableDeviceFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(InstallCableDeviceFailure, RaisesTheStepWithItsCodeAndReleasesEverything) {
  FakeInstallApi fake;
  GetParam().arrange(fake);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(error_of([&] { install_cable_device(L"C:\\payload", fake.api()); }), GetParam().message);
  EXPECT_EQ(fake.snapshots_open, GetParam().snapshots_taken);
  EXPECT_EQ(fake.snapshots_closed, fake.snapshots_open);
  EXPECT_EQ(fake.sets_open, GetParam().sets_opened);
  EXPECT_EQ(fake.sets_destroyed, fake.sets_open);
  // Only a registered device is removed again, and one whose mark failed gets no driver.
  EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "DIF_REMOVE"), fake.update_error || fake.mark_error);
  EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "UpdateDriverForPlugAndPlayDevicesW"),
            fake.update_error != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, InstallCableDeviceFailure,
    testing::Values(
        FailureCase{"NotAdministrator", [](FakeInstallApi& f) { f.admin = FALSE; },
                    "Administrator permission required (Windows error 3735928559)", 0, 0},
        FailureCase{"SnapshotFails", [](FakeInstallApi& f) { f.snapshot_error = ERROR_NOT_ENOUGH_MEMORY; },
                    "Check running applications (Windows error 8)", 0, 0},
        FailureCase{"SetFails", [](FakeInstallApi& f) { f.create_set_error = ERROR_ACCESS_DENIED; },
                    "Create device set (Windows error 5)", 1, 0},
        FailureCase{"DeviceFails", [](FakeInstallApi& f) { f.create_device_error = 0xE0000205; },
                    "Create root device (Windows error 3758096901)", 1, 1},
        FailureCase{"HardwareIdFails", [](FakeInstallApi& f) { f.set_property_error = ERROR_INVALID_DATA; },
                    "Set hardware ID (Windows error 13)", 1, 1},
        FailureCase{"RegistrationFails", [](FakeInstallApi& f) { f.register_error = 0xE0000207; },
                    "Register root device (Windows error 3758096903)", 1, 1},
        FailureCase{"MarkFails", [](FakeInstallApi& f) { f.mark_error = ERROR_ACCESS_DENIED; },
                    "Mark VB-CABLE device (Windows error 5)", 1, 1},
        FailureCase{"DriverFails", [](FakeInstallApi& f) { f.update_error = ERROR_FILE_NOT_FOUND; },
                    "Install signed VB-CABLE driver (Windows error 2)", 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
