#include "driver_setup/devices/install.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "common/windows_path.h"
#include "driver_setup/check_step.h"
#include "driver_setup/devices/cable_device.h"
#include "driver_setup/devices/cable_mark.h"
#include "driver_setup/devices/install_guards.h"
#include "driver_setup/devices/remove_device.h"

namespace {

// The hardware-ID property is a multi-string: the ID, its NUL and the empty closing entry.
constexpr auto kHardwareIdList = [] {
  std::array<wchar_t, std::size(kCableHardwareId) + 1> list{};
  std::copy(std::begin(kCableHardwareId), std::end(kCableHardwareId), list.begin());
  return list;
}();
static_assert(sizeof kHardwareIdList == 30);

// Removes the registered device again and raises the step that failed with
// its own code: the removal sets codes of its own, and its failure is not
// reported, since the caller is already reporting the step's.
void undo_registration(const InstallApi& api, HDEVINFO set, SP_DEVINFO_DATA& device, const char* step) {
  {
    win::LastErrorKeeper keep;
    remove_device(api, set, device);
  }
  check_step(false, step);
}

// Marks the new device as Lumetta's, before its driver arrives: a device
// whose installation is cut short is then still known as ours.
void mark_device(const InstallApi& api, HDEVINFO set, SP_DEVINFO_DATA& device) {
  std::wstring value = kCableMarkValue;  // the call takes a writable buffer
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));  // the terminator counts
  if (!api.set_device_property(set, &device, &kCableMarkKey, DEVPROP_TYPE_STRING,
                               reinterpret_cast<BYTE*>(value.data()), bytes, 0))
    undo_registration(api, set, device, "Mark VB-CABLE device");
}

// Forced: without it Windows installs the INF only when it beats every driver
// already in the store, and fails with ERROR_NO_MORE_ITEMS on a machine that
// kept an equal or newer cable package; the new device is the only one with
// the hardware ID, and the package just verified is the one it must get.
// Non-interactive: anything that would need the user (an unsigned package)
// fails instead of prompting. The restart request is not passed on: every
// fresh installation is reported as needing one.
constexpr DWORD kInstallFlags = INSTALLFLAG_FORCE | INSTALLFLAG_NONINTERACTIVE;

void install_driver(const InstallApi& api, HDEVINFO set, SP_DEVINFO_DATA& device, const std::wstring& inf_path) {
  BOOL restart = FALSE;
  if (!api.update_driver_for_plug_and_play_devices(nullptr, kCableHardwareId, inf_path.c_str(), kInstallFlags,
                                                   &restart))
    undo_registration(api, set, device, "Install signed VB-CABLE driver");
}

// UpdateDriverForPlugAndPlayDevicesW takes the INF's full path and does not
// promise to resolve a relative one: resolve it against the working folder
// (and for "C:x", drive C's current folder) as every other call would. When
// that fails the path goes on as given, and the installation answers for it.
std::wstring full_inf_path(const InstallApi& api, const std::wstring& inf_path) {
  if (win_path::is_fully_qualified(inf_path)) return inf_path;
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = api.get_full_path_name(inf_path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return inf_path;
    if (length < full.size()) return full.substr(0, length);
    full.resize(length);  // too small: length is the size needed, terminator included
  }
}

}  // namespace

bool install_cable_device(const std::wstring& payload_folder, const InstallApi& api) {
  check_change_allowed(api, kInstallGameRefusal);
  return create_cable_device(payload_folder, api);
}

bool create_cable_device(const std::wstring& payload_folder, const InstallApi& api) {
  const std::wstring inf_path = full_inf_path(api, win_path::join(payload_folder, kCableInfName));

  DeviceInfoSet set(api.create_device_info_list(&kMediaDeviceClass, nullptr), api.destroy_device_info_list);
  check_step(set.valid(), "Create device set");
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  // DICD_GENERATE_ID: Windows picks the instance number under ROOT\MEDIA.
  check_step(api.create_device_info(set.get(), L"MEDIA", &kMediaDeviceClass, kCableName, nullptr,
                                    DICD_GENERATE_ID, &device),
             "Create root device");
  check_step(api.set_device_registry_property(set.get(), &device, SPDRP_HARDWAREID,
                                              reinterpret_cast<const BYTE*>(kHardwareIdList.data()),
                                              sizeof kHardwareIdList),
             "Set hardware ID");
  // Until this succeeds the device lives only in the set, and releasing the set discards it.
  check_step(api.call_class_installer(DIF_REGISTERDEVICE, set.get(), &device), "Register root device");
  mark_device(api, set.get(), device);
  install_driver(api, set.get(), device, inf_path);
  return true;
}
