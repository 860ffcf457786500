#include "driver_setup/devices/install.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "common/windows_path.h"
#include "driver_setup/check_step.h"
#include "driver_setup/devices/cable_device.h"
#include "driver_setup/devices/install_guards.h"

namespace {

// The hardware-ID property is a multi-string: the ID, its NUL and the empty closing entry.
constexpr auto kHardwareIdList = [] {
  std::array<wchar_t, std::size(kCableHardwareId) + 1> list{};
  std::copy(std::begin(kCableHardwareId), std::end(kCableHardwareId), list.begin());
  return list;
}();
static_assert(sizeof kHardwareIdList == 30);

// Removes the registered device from every hardware profile. Failures are not
// reported: the caller is already reporting the installation's own.
void remove_device(const InstallApi& api, HDEVINFO set, SP_DEVINFO_DATA& device) {
  SP_REMOVEDEVICE_PARAMS params{};
  params.ClassInstallHeader.cbSize = sizeof params.ClassInstallHeader;
  params.ClassInstallHeader.InstallFunction = DIF_REMOVE;
  params.Scope = DI_REMOVEDEVICE_GLOBAL;
  params.HwProfile = 0;
  static_assert(sizeof params == 16);
  api.set_class_install_params(set, &device, &params.ClassInstallHeader, sizeof params);
  api.call_class_installer(DIF_REMOVE, set, &device);
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
  if (api.update_driver_for_plug_and_play_devices(nullptr, kCableHardwareId, inf_path.c_str(), kInstallFlags,
                                                  &restart))
    return;
  {
    // The removal sets codes of its own; the message must name the installation's.
    win::LastErrorKeeper keep;
    remove_device(api, set, device);
  }
  check_step(false, "Install signed VB-CABLE driver");
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
  check_install_allowed(api);
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
  install_driver(api, set.get(), device, inf_path);
  return true;
}
