#include <mmdeviceapi.h>

#include <stdexcept>

#include "default_endpoints.h"

namespace {

// {BCDE0395-E52F-467C-8E3D-C4579291692E}
constexpr CLSID kMMDeviceEnumeratorClass = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
// {A95664D2-9614-4F35-A746-DE8DB63617E6}
constexpr IID kMMDeviceEnumeratorInterface = {
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
// What GetDefaultAudioEndpoint answers when a flow and role have no default.
constexpr HRESULT kNoDefaultEndpoint = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

std::wstring read_endpoint_id(const AudioApi& api, win::ComPtr<IMMDevice>& device) {
  LPWSTR raw = nullptr;
  const HRESULT hr = device->GetId(&raw);
  device.reset();
  CoTaskMemString id(SUCCEEDED(hr) ? raw : nullptr, api.co_task_mem_free);
  if (FAILED(hr)) throw std::runtime_error("Cannot read endpoint identity");
  return id.get() ? id.get() : L"";  // a null identity is no default, never a crash
}

}  // namespace

DefaultEndpointSet snapshot_default_endpoints(const AudioApi& api) {
  win::ComPtr<IMMDeviceEnumerator> enumerator;
  if (FAILED(api.co_create_instance(kMMDeviceEnumeratorClass, nullptr, CLSCTX_ALL, kMMDeviceEnumeratorInterface,
                                    enumerator.put_void())))
    throw std::runtime_error("Cannot enumerate default audio endpoints");

  DefaultEndpointSet set;
  for (EDataFlow flow : {eRender, eCapture}) {
    for (ERole role : {eConsole, eMultimedia, eCommunications}) {
      win::ComPtr<IMMDevice> device;
      const HRESULT hr = enumerator->GetDefaultAudioEndpoint(flow, role, device.put());
      if (hr == kNoDefaultEndpoint) continue;
      if (FAILED(hr)) throw std::runtime_error("Cannot read a default audio endpoint");
      set[3 * flow + role] = read_endpoint_id(api, device);
    }
  }
  return set;
}
