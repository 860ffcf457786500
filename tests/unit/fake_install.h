// A fake of the installation's Windows calls: a process list to walk, a device
// set that creates one device, and a failure with a chosen code for any call.
// It records every argument and counts the sets and snapshots it hands out.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "driver_setup/devices/install_api.h"

class FakeInstallApi {
 public:
  // Answers. A non-zero error makes that call fail with it.
  BOOL admin = TRUE;  // FALSE leaves the thread's last error as it was, as Windows does
  std::vector<std::wstring> processes = {L"[System Process]", L"System", L"explorer.exe"};
  DWORD snapshot_error = 0;
  DWORD first_process_error = 0;
  DWORD create_set_error = 0;
  DWORD create_device_error = 0;
  DWORD set_property_error = 0;
  DWORD mark_error = 0;  // SetupDiSetDevicePropertyW fails with it
  DWORD register_error = 0;
  DWORD update_error = 0;
  // The driver store already holds an equal or better driver for the hardware
  // ID (a package left behind, or a newer one).
  bool store_has_equal_or_better_driver = false;
  DWORD set_params_error = 0;
  DWORD remove_error = 0;
  std::function<void()> on_update;  // runs while the driver installs

  // Every call, in order, by its Windows name; class installer calls by their DIF_ name.
  std::vector<std::string> calls;
  // What the code passed.
  DWORD snapshot_flags = 0, snapshot_process = ~0u;
  bool bad_entry_size = false;
  size_t entries_handed = 0;  // processes given out by Process32FirstW/NextW
  GUID set_class{};
  HWND set_window = nullptr;
  std::wstring device_name, device_description;
  GUID device_class{};
  HWND device_window = nullptr;
  DWORD device_flags = 0;
  bool bad_devinfo_size = false;
  bool foreign_device = false;  // a call named a device this set did not create
  DWORD property = 0;
  std::vector<BYTE> property_value;
  std::wstring mark;  // the string value set under Lumetta's mark key
  std::vector<BYTE> remove_params;  // the class-install parameters, as many bytes as the size given
  HWND update_window = reinterpret_cast<HWND>(1);
  std::wstring update_hardware_id, update_inf_path;
  DWORD update_flags = 0;
  bool restart_output = false;
  int sets_open = 0, sets_destroyed = 0;
  int snapshots_open = 0, snapshots_closed = 0;

  FakeInstallApi();
  ~FakeInstallApi();
  FakeInstallApi(const FakeInstallApi&) = delete;
  FakeInstallApi& operator=(const FakeInstallApi&) = delete;

  const InstallApi& api() const { return api_; }
  static FakeInstallApi& current();

 private:
  InstallApi api_;
};
