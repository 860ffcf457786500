#include "driver_setup/devices/uninstall.h"

#include <initguid.h>  // defines DEVPKEY_Device_DriverInfPath here
#include <devpkey.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ascii.h"
#include "driver_setup/check_step.h"
#include "driver_setup/devices/cable_device.h"
#include "driver_setup/devices/cable_mark.h"
#include "driver_setup/devices/install_guards.h"
#include "driver_setup/devices/remove_device.h"

namespace {

struct MarkedDevice {
  SP_DEVINFO_DATA device;
  std::wstring package;  // the oem*.inf that installed its driver; empty without a driver
};

// A string property, or nothing when the device does not have it
// (ERROR_NOT_FOUND, or a value of another type); any other failure raises step.
std::optional<std::wstring> read_string_property(const DeviceApi& api, HDEVINFO set, SP_DEVINFO_DATA& device,
                                                 const DEVPROPKEY& key, const char* step) {
  std::array<wchar_t, MAX_PATH> value{};
  DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
  if (!api.get_device_property(set, &device, &key, &type, reinterpret_cast<BYTE*>(value.data()),
                               sizeof value - sizeof(wchar_t), nullptr, 0)) {
    check_step(GetLastError() == ERROR_NOT_FOUND, step);
    return std::nullopt;
  }
  if (type != DEVPROP_TYPE_STRING) return std::nullopt;
  return std::wstring(value.data());  // the last character stays NUL: always terminated
}

// The copy of an INF that Windows keeps in its INF folder is named oemN.inf.
// Any other name (an inbox INF) is not a package of ours to delete.
bool is_oem_inf(std::wstring_view name) {
  constexpr std::wstring_view kPrefix = L"oem", kSuffix = L".inf";
  if (name.size() <= kPrefix.size() + kSuffix.size() || !win::ascii_iequal(name.substr(0, kPrefix.size()), kPrefix) ||
      !win::ascii_iequal(name.substr(name.size() - kSuffix.size()), kSuffix))
    return false;
  const std::wstring_view digits = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  return std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// The marked cable devices and their packages, read before anything is removed.
std::vector<MarkedDevice> find_marked_devices(const DeviceApi& api, HDEVINFO set) {
  std::vector<MarkedDevice> marked;
  for_each_cable_device(api, set, [&](SP_DEVINFO_DATA& device) {
    if (!read_string_property(api, set, device, kCableMarkKey, "Read VB-CABLE mark")) return;
    // A device left without a driver (an installation cut short) has no package.
    const auto package = read_string_property(api, set, device, DEVPKEY_Device_DriverInfPath,
                                              "Read VB-CABLE driver package");
    marked.push_back({device, package && is_oem_inf(*package) ? *package : L""});
  });
  return marked;
}

// Whether Windows asked for a restart to finish the removal (SetupDiRemoveDevice
// leaves the request in the element's install parameters). An element that went
// with its device (ERROR_NO_SUCH_DEVINST, as Wine answers) holds no request;
// parameters unreadable for any other reason count as one: a needless restart
// is cheaper than a removal that Windows finishes only at the next start unsaid.
bool removal_needs_restart(const DeviceApi& api, HDEVINFO set, SP_DEVINFO_DATA& device) {
  SP_DEVINSTALL_PARAMS_W params{};
  params.cbSize = sizeof params;
  if (!api.get_device_install_params(set, &device, &params)) return GetLastError() != ERROR_NO_SUCH_DEVINST;
  return (params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT)) != 0;
}

// Not forced: Windows keeps a package that a device, present or not, still uses.
void delete_package(const DeviceApi& api, const std::wstring& package) {
  if (!api.uninstall_oem_inf(package.c_str(), 0, nullptr))
    check_step(GetLastError() == ERROR_INF_IN_USE_BY_DEVICES, "Delete VB-CABLE driver package");
}

}  // namespace

bool uninstall_cable_devices(const DeviceApi& devices, const InstallApi& guards) {
  check_change_allowed(guards, kRemovalGameRefusal);
  const DeviceInfoSet set = open_media_devices(devices);
  std::vector<MarkedDevice> marked = find_marked_devices(devices, set.get());
  bool restart = false;
  for (auto it = marked.begin(); it != marked.end(); ++it) {
    check_step(remove_device(devices, set.get(), it->device), "Remove VB-CABLE device");
    restart |= removal_needs_restart(devices, set.get(), it->device);
    // Each package once, after the last of our devices that uses it: a removal
    // that fails later leaves no package without a device that names it.
    const auto same = [&](const MarkedDevice& later) { return win::ascii_iequal(later.package, it->package); };
    if (!it->package.empty() && std::none_of(it + 1, marked.end(), same)) delete_package(devices, it->package);
  }
  return restart;
}
