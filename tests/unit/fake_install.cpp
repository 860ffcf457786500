#include "tests/unit/fake_install.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "driver_setup/devices/cable_mark.h"

namespace {

FakeInstallApi* g_current = nullptr;
const auto kFakeSnapshot = reinterpret_cast<HANDLE>(0x5a0);
const auto kFakeSet = reinterpret_cast<HDEVINFO>(0x5e8);
constexpr DEVINST kNewDevice = 7;

FakeInstallApi& fake(const char* call) {
  FakeInstallApi& f = FakeInstallApi::current();
  f.calls.push_back(call);
  return f;
}

BOOL fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

// SetupAPI and the installer leave NO_ERROR behind when they succeed.
BOOL succeed() {
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI fake_is_user_an_admin() { return fake("IsUserAnAdmin").admin; }

HANDLE WINAPI fake_create_snapshot(DWORD flags, DWORD process) {
  FakeInstallApi& f = fake("CreateToolhelp32Snapshot");
  f.snapshot_flags = flags;
  f.snapshot_process = process;
  if (f.snapshot_error) {
    SetLastError(f.snapshot_error);
    return INVALID_HANDLE_VALUE;
  }
  ++f.snapshots_open;
  return kFakeSnapshot;
}

// The next process of the list, or the end of the walk.
BOOL hand_out_process(FakeInstallApi& f, HANDLE snapshot, PROCESSENTRY32W* entry) {
  EXPECT_TRUE(snapshot == kFakeSnapshot);
  // Windows refuses an entry whose size field is not set.
  if (entry->dwSize != sizeof *entry) {
    f.bad_entry_size = true;
    return fail(ERROR_BAD_LENGTH);
  }
  if (f.entries_handed >= f.processes.size()) return fail(ERROR_NO_MORE_FILES);
  const std::wstring& name = f.processes[f.entries_handed++];
  entry->th32ProcessID = static_cast<DWORD>(4 * f.entries_handed);
  const size_t length = std::min(name.size(), std::size(entry->szExeFile) - 1);
  std::copy_n(name.begin(), length, entry->szExeFile);
  entry->szExeFile[length] = L'\0';
  return TRUE;
}

BOOL WINAPI fake_process_first(HANDLE snapshot, PROCESSENTRY32W* entry) {
  FakeInstallApi& f = fake("Process32FirstW");
  if (f.first_process_error) return fail(f.first_process_error);
  f.entries_handed = 0;
  return hand_out_process(f, snapshot, entry);
}

BOOL WINAPI fake_process_next(HANDLE snapshot, PROCESSENTRY32W* entry) {
  return hand_out_process(fake("Process32NextW"), snapshot, entry);
}

BOOL WINAPI fake_close_handle(HANDLE handle) {
  FakeInstallApi& f = fake("CloseHandle");
  EXPECT_TRUE(handle == kFakeSnapshot);
  ++f.snapshots_closed;
  return succeed();  // clean-up must not disturb a code being reported
}

HDEVINFO WINAPI fake_create_set(const GUID* cls, HWND window) {
  FakeInstallApi& f = fake("SetupDiCreateDeviceInfoList");
  f.set_class = *cls;
  f.set_window = window;
  if (f.create_set_error) {
    SetLastError(f.create_set_error);
    return INVALID_HANDLE_VALUE;
  }
  ++f.sets_open;
  succeed();
  return kFakeSet;
}

BOOL WINAPI fake_create_device(HDEVINFO set, PCWSTR name, const GUID* cls, PCWSTR description, HWND window,
                               DWORD flags, SP_DEVINFO_DATA* data) {
  FakeInstallApi& f = fake("SetupDiCreateDeviceInfoW");
  EXPECT_TRUE(set == kFakeSet);
  f.device_name = name;
  f.device_class = *cls;
  f.device_description = description ? description : L"(none)";
  f.device_window = window;
  f.device_flags = flags;
  if (f.create_device_error) return fail(f.create_device_error);
  if (data->cbSize != sizeof *data) {
    f.bad_devinfo_size = true;
    return fail(ERROR_INVALID_USER_BUFFER);
  }
  data->ClassGuid = *cls;
  data->DevInst = kNewDevice;
  return succeed();
}

// Every later call must name the set and the device that were created.
void check_new_device(FakeInstallApi& f, HDEVINFO set, const SP_DEVINFO_DATA* data) {
  EXPECT_TRUE(set == kFakeSet);
  if (!data || data->DevInst != kNewDevice) f.foreign_device = true;
}

BOOL WINAPI fake_set_property(HDEVINFO set, SP_DEVINFO_DATA* data, DWORD property, const BYTE* value, DWORD size) {
  FakeInstallApi& f = fake("SetupDiSetDeviceRegistryPropertyW");
  check_new_device(f, set, data);
  f.property = property;
  f.property_value.assign(value, value + size);
  return f.set_property_error ? fail(f.set_property_error) : succeed();
}

// SetupDiSetDevicePropertyW's reference page: flags must be 0. A
// DEVPROP_TYPE_STRING value (its own page) is NUL-terminated, and its size
// counts the terminator; anything else is ERROR_INVALID_DATA.
BOOL WINAPI fake_set_device_property(HDEVINFO set, SP_DEVINFO_DATA* data, const DEVPROPKEY* key, DEVPROPTYPE type,
                                     BYTE* value, DWORD size, DWORD flags) {
  FakeInstallApi& f = fake("SetupDiSetDevicePropertyW");
  check_new_device(f, set, data);
  if (flags) return fail(ERROR_INVALID_FLAGS);
  if (f.mark_error) return fail(f.mark_error);
  const auto* text = reinterpret_cast<const wchar_t*>(value);
  if (type != DEVPROP_TYPE_STRING || size < sizeof(wchar_t) || size % sizeof(wchar_t) ||
      wcsnlen(text, size / sizeof(wchar_t)) != size / sizeof(wchar_t) - 1)
    return fail(ERROR_INVALID_DATA);
  if (IsEqualDevPropKey(*key, kCableMarkKey)) f.mark = text;
  return succeed();
}

const char* installer_call(DI_FUNCTION function) {
  if (function == DIF_REGISTERDEVICE) return "DIF_REGISTERDEVICE";
  return function == DIF_REMOVE ? "DIF_REMOVE" : "DIF_other";
}

BOOL WINAPI fake_call_class_installer(DI_FUNCTION function, HDEVINFO set, SP_DEVINFO_DATA* data) {
  FakeInstallApi& f = fake(installer_call(function));
  check_new_device(f, set, data);
  if (function != DIF_REGISTERDEVICE && function != DIF_REMOVE) return fail(ERROR_INVALID_PARAMETER);
  const DWORD error = function == DIF_REGISTERDEVICE ? f.register_error : f.remove_error;
  return error ? fail(error) : succeed();
}

BOOL WINAPI fake_set_params(HDEVINFO set, SP_DEVINFO_DATA* data, SP_CLASSINSTALL_HEADER* params, DWORD size) {
  FakeInstallApi& f = fake("SetupDiSetClassInstallParamsW");
  check_new_device(f, set, data);
  const auto* bytes = reinterpret_cast<const BYTE*>(params);
  f.remove_params.assign(bytes, bytes + size);
  if (f.set_params_error) return fail(f.set_params_error);
  // Windows checks the header's own size field.
  return params->cbSize == sizeof *params ? succeed() : fail(ERROR_INVALID_USER_BUFFER);
}

BOOL WINAPI fake_destroy(HDEVINFO set) {
  FakeInstallApi& f = fake("SetupDiDestroyDeviceInfoList");
  EXPECT_TRUE(set == kFakeSet);
  ++f.sets_destroyed;
  return succeed();
}

BOOL WINAPI fake_update_driver(HWND window, PCWSTR hardware_id, PCWSTR inf_path, DWORD flags, BOOL* restart) {
  FakeInstallApi& f = fake("UpdateDriverForPlugAndPlayDevicesW");
  f.update_window = window;
  f.update_hardware_id = hardware_id;
  f.update_inf_path = inf_path;
  f.update_flags = flags;
  f.restart_output = restart != nullptr;
  if (f.on_update) f.on_update();
  if (f.update_error) return fail(f.update_error);
  // The function's reference page: other bits fail with ERROR_INVALID_FLAGS, and
  // without INSTALLFLAG_FORCE an INF that is no better match than the store's
  // drivers fails with ERROR_NO_MORE_ITEMS.
  if (flags & ~(INSTALLFLAG_FORCE | INSTALLFLAG_READONLY | INSTALLFLAG_NONINTERACTIVE))
    return fail(ERROR_INVALID_FLAGS);
  if (f.store_has_equal_or_better_driver && !(flags & INSTALLFLAG_FORCE)) return fail(ERROR_NO_MORE_ITEMS);
  if (restart) *restart = TRUE;  // a restart request must not change the outcome
  return succeed();
}

}  // namespace

FakeInstallApi::FakeInstallApi()
    : api_{fake_is_user_an_admin, fake_create_snapshot, fake_process_first, fake_process_next,
           fake_close_handle,     fake_create_set,      fake_create_device, fake_set_property,
           fake_set_device_property, fake_call_class_installer, fake_set_params, fake_destroy, fake_update_driver,
           ::GetFullPathNameW} {
  EXPECT_TRUE(g_current == nullptr);
  g_current = this;
}

FakeInstallApi::~FakeInstallApi() { g_current = nullptr; }

FakeInstallApi& FakeInstallApi::current() { return *g_current; }
