#include "tests/kit/machine.h"

#include <windows.h>
#include <mmdeviceapi.h>
#include <setupapi.h>
#include <initguid.h>  // defines DEVPKEY_Device_DriverInfPath here
#include <devpkey.h>

#include <string_view>

#include "common/ascii.h"
#include "common/unique_resource.h"
#include "driver_setup/audio/audio_api.h"
#include "driver_setup/devices/device_api.h"

namespace kit {
namespace {

constexpr HRESULT kNoDefault = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
const GUID kMediaClass = {0x4d36e96c, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

bool open_enumerator(win::ComPtr<IMMDeviceEnumerator>& devices) {
  return SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                    devices.put_void())) &&
         devices.get();
}

std::optional<std::wstring> id_of(IMMDevice* device) {
  LPWSTR raw = nullptr;
  const HRESULT hr = device->GetId(&raw);
  const CoTaskMemString id(raw, ::CoTaskMemFree);
  if (FAILED(hr) || !id.get()) return std::nullopt;
  return std::wstring(id.get());
}

bool names_cable(const wchar_t* ids, std::size_t chars) {
  for (std::wstring_view rest(ids, chars); !rest.empty() && rest.front();) {
    const std::wstring_view id = rest.substr(0, rest.find(L'\0'));
    if (win::ascii_iequal(id, L"VBAudioVACWDM")) return true;
    rest.remove_prefix(std::min(rest.size(), id.size() + 1));
  }
  return false;
}

}  // namespace

std::optional<Defaults> read_defaults() {
  win::ComPtr<IMMDeviceEnumerator> devices;
  if (!open_enumerator(devices)) return std::nullopt;
  Defaults defaults;
  for (int flow = 0; flow < 2; ++flow) {
    for (int role = 0; role < 3; ++role) {
      win::ComPtr<IMMDevice> device;
      const HRESULT hr = devices->GetDefaultAudioEndpoint(EDataFlow(flow), ERole(role), device.put());
      if (hr == kNoDefault) continue;
      const auto id = SUCCEEDED(hr) && device.get() ? id_of(device.get()) : std::nullopt;
      if (!id) return std::nullopt;
      defaults[3 * flow + role] = *id;
    }
  }
  return defaults;
}

std::vector<std::wstring> active_render_endpoints() {
  std::vector<std::wstring> ids;
  win::ComPtr<IMMDeviceEnumerator> devices;
  win::ComPtr<IMMDeviceCollection> active;
  UINT count = 0;
  if (!open_enumerator(devices) || FAILED(devices->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, active.put())) ||
      FAILED(active->GetCount(&count)))
    return ids;
  for (UINT i = 0; i < count; ++i) {
    win::ComPtr<IMMDevice> device;
    if (SUCCEEDED(active->Item(i, device.put())))
      if (const auto id = id_of(device.get())) ids.push_back(*id);
  }
  return ids;
}

std::optional<std::vector<CableNode>> cable_devices() {
  const DeviceInfoSet set(
      SetupDiGetClassDevsW(&kMediaClass, nullptr, nullptr, 0), ::SetupDiDestroyDeviceInfoList);
  if (!set.valid()) return std::nullopt;
  std::vector<CableNode> nodes;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set.get(), i, &device); ++i) {
    wchar_t ids[8192] = {};
    if (SetupDiGetDeviceRegistryPropertyW(set.get(), &device, SPDRP_HARDWAREID, nullptr, reinterpret_cast<BYTE*>(ids),
                                          sizeof ids - sizeof(wchar_t), nullptr) &&
        names_cable(ids, std::size(ids))) {
      CableNode node;
      node.answer = CM_Get_DevNode_Status(&node.status, &node.problem, device.DevInst, 0);
      wchar_t package[MAX_PATH] = {};
      DEVPROPTYPE type = DEVPROP_TYPE_EMPTY;
      if (SetupDiGetDevicePropertyW(set.get(), &device, &DEVPKEY_Device_DriverInfPath, &type,
                                    reinterpret_cast<BYTE*>(package), sizeof package - sizeof(wchar_t), nullptr, 0) &&
          type == DEVPROP_TYPE_STRING)
        node.package = package;
      nodes.push_back(node);
    }
  }
  return nodes;
}

std::optional<std::size_t> count_cable_devices() {
  const auto nodes = cable_devices();
  return nodes ? std::optional(nodes->size()) : std::nullopt;
}

}  // namespace kit
