#include <mmdeviceapi.h>

#include <stdexcept>

#include "driver_setup/audio/default_endpoints.h"
#include "driver_setup/audio/device_enumerator.h"

namespace {

// What GetDefaultAudioEndpoint answers when a flow and role have no default.
constexpr HRESULT kNoDefaultEndpoint = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

std::wstring read_endpoint_id(const AudioApi& api, win::ComPtr<IMMDevice>& device) {
  LPWSTR raw = nullptr;
  const HRESULT hr = device->GetId(&raw);
  device.reset();
  CoTaskMemString id(SUCCEEDED(hr) ? raw : nullptr, api.co_task_mem_free);
  // A success without a string is a failed read too, as it is for the endpoint itself.
  if (FAILED(hr) || !id.get()) throw std::runtime_error("Cannot read endpoint identity");
  return id.get();
}

}  // namespace

DefaultEndpointSet snapshot_default_endpoints(const AudioApi& api) {
  win::ComPtr<IMMDeviceEnumerator> enumerator;
  if (FAILED(api.co_create_instance(kDeviceEnumeratorClass, nullptr, CLSCTX_ALL, kDeviceEnumeratorInterface,
                                    enumerator.put_void())) ||
      !enumerator.get())
    throw std::runtime_error("Cannot enumerate default audio endpoints");

  DefaultEndpointSet set;
  for (EDataFlow flow : {eRender, eCapture}) {
    for (ERole role : {eConsole, eMultimedia, eCommunications}) {
      win::ComPtr<IMMDevice> device;
      const HRESULT hr = enumerator->GetDefaultAudioEndpoint(flow, role, device.put());
      if (hr == kNoDefaultEndpoint) continue;
      // A success without an endpoint is no endpoint to read, never a crash.
      if (FAILED(hr) || !device.get()) throw std::runtime_error("Cannot read a default audio endpoint");
      set[3 * flow + role] = read_endpoint_id(api, device);
    }
  }
  return set;
}
