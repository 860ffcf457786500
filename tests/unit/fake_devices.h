// A fake SetupAPI class listing: devices with the property values, identities
// and node states that a test chooses; it records arguments and counts sets.
// Devices can be removed, and the driver store keeps the packages that
// devices name until none uses them.
#pragma once
#include <windows.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "driver_setup/devices/device_api.h"

struct FakeDevice {
  std::wstring hardware_ids;  // the raw multi-string, NULs included
  DWORD hardware_id_error = 0;
  std::wstring instance_id = L"ROOT\\MEDIA\\0000";
  DWORD instance_id_error = 0;
  CONFIGRET node_result = CR_SUCCESS;
  ULONG status = 0;
  ULONG problem = 0;
  std::optional<std::wstring> mark = std::nullopt;  // the value of Lumetta's mark; nothing: unmarked
  DWORD mark_error = 0;              // reading the mark fails with it
  std::wstring package = L"";        // the oem*.inf of its driver; empty: no driver
  DWORD remove_error = 0;            // DIF_REMOVE fails with it
  DWORD restart_flags = 0;           // DI_NEEDRESTART or DI_NEEDREBOOT once removed
  DWORD install_params_error = 0;    // its install parameters cannot be read
  bool removed = false;
  // The class install parameters last set on its element, as SetupAPI keeps them.
  std::optional<SP_REMOVEDEVICE_PARAMS> remove_params = std::nullopt;
};

// A multi-string of the given entries, with its closing empty entry.
std::wstring multi_string(std::initializer_list<std::wstring> entries);

class FakeSetupApi {
 public:
  std::vector<FakeDevice> devices;
  DWORD open_error = 0;                    // non-zero: the class listing fails with it
  DWORD end_error = ERROR_NO_MORE_ITEMS;   // the code after the last device
  std::set<std::wstring> driver_store;     // oem*.inf names; a device's package must be here
  DWORD store_error = 0;                   // SetupUninstallOEMInfW fails with it

  // What the code passed.
  GUID opened_class{};
  DWORD open_flags = 0xFFFFFFFF;
  bool open_had_enumerator_or_window = false;
  std::vector<DWORD> property_sizes;
  std::vector<DWORD> instance_id_sizes;
  bool size_outputs_requested = false;
  bool bad_devinfo_size = false;
  int sets_open = 0;
  int sets_destroyed = 0;
  std::vector<std::wstring> package_deletions;  // every name given to SetupUninstallOEMInfW

  // The instance IDs of the devices not removed.
  std::vector<std::wstring> remaining() const;

  FakeSetupApi();
  ~FakeSetupApi();
  FakeSetupApi(const FakeSetupApi&) = delete;
  FakeSetupApi& operator=(const FakeSetupApi&) = delete;

  const DeviceApi& api() const { return api_; }
  static FakeSetupApi& current();

 private:
  DeviceApi api_;
};
