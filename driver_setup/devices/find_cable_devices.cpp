#include <algorithm>
#include <array>
#include <string_view>

#include "common/ascii.h"
#include "driver_setup/check_step.h"
#include "driver_setup/devices/cable_device.h"

namespace {

using HardwareIdBuffer = std::array<wchar_t, kHardwareIdBufferBytes / sizeof(wchar_t)>;

// Walks the multi-string up to its empty entry, or to the buffer's end when a
// value fills the whole buffer without one: never past it.
bool names_cable(const HardwareIdBuffer& ids) {
  bool found = false;
  auto pos = ids.begin();
  while (pos != ids.end() && *pos != L'\0') {
    const auto end = std::find(pos, ids.end(), L'\0');
    found |= win::ascii_iequal(std::wstring_view(&*pos, end - pos), kCableHardwareId);
    pos = end == ids.end() ? end : end + 1;
  }
  return found;
}

// False when the device has no hardware IDs; raises on any other failure,
// a list too long for the buffer included.
bool read_hardware_ids(const DeviceApi& api, HDEVINFO set, SP_DEVINFO_DATA& device, HardwareIdBuffer& ids) {
  ids.fill(L'\0');
  if (api.get_device_registry_property(set, &device, SPDRP_HARDWAREID, nullptr,
                                       reinterpret_cast<BYTE*>(ids.data()), kHardwareIdBufferBytes, nullptr))
    return true;
  check_step(GetLastError() == ERROR_INVALID_DATA, "Read existing hardware IDs");
  return false;
}

CableDevice read_cable_device(const DeviceApi& api, HDEVINFO set, SP_DEVINFO_DATA& device) {
  std::array<wchar_t, kInstanceIdChars> id{};
  check_step(api.get_device_instance_id(set, &device, id.data(), kInstanceIdChars, nullptr),
             "Read device identity");
  CableDevice cable{std::wstring(id.data(), wcsnlen(id.data(), id.size()))};
  // A registered device that is not present cannot be queried: not an error.
  if (api.get_devnode_status(&cable.status, &cable.problem, device.DevInst, 0) != CR_SUCCESS) {
    cable.status = 0;
    cable.problem = kProblemUnknown;
  }
  return cable;
}

}  // namespace

DeviceInfoSet open_media_devices(const DeviceApi& api) {
  // No DIGCF_PRESENT: devices that are registered but absent must be seen too.
  DeviceInfoSet set(api.get_class_devs(&kMediaDeviceClass, nullptr, nullptr, 0), api.destroy_device_info_list);
  check_step(set.valid(), "SetupDiGetClassDevs");
  return set;
}

void for_each_cable_device(const DeviceApi& api, HDEVINFO set, const std::function<void(SP_DEVINFO_DATA&)>& visit) {
  HardwareIdBuffer ids;
  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!api.enum_device_info(set, index, &device)) break;
    if (read_hardware_ids(api, set, device, ids) && names_cable(ids)) visit(device);
  }
  check_step(GetLastError() == ERROR_NO_MORE_ITEMS, "SetupDiEnumDeviceInfo");
}

std::vector<CableDevice> find_cable_devices(const DeviceApi& api) {
  const DeviceInfoSet set = open_media_devices(api);
  std::vector<CableDevice> cables;
  for_each_cable_device(api, set.get(),
                        [&](SP_DEVINFO_DATA& device) { cables.push_back(read_cable_device(api, set.get(), device)); });
  return cables;
}
