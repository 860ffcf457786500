#include <mmdeviceapi.h>

#include <string_view>

#include "driver_setup/audio/device_enumerator.h"
#include "driver_setup/audio/restore.h"
#include "driver_setup/cable.h"

namespace {

constexpr ULONGLONG kWaitLimitMs = 30000;
constexpr ULONGLONG kSettleMs = 5000;
constexpr DWORD kPollIntervalMs = 250;
constexpr UINT kCableEndpointsNeeded = 3;
// PKEY_DeviceInterface_FriendlyName: the name of the adapter an endpoint belongs to.
constexpr PROPERTYKEY kAdapterNameKey = {
    {0x026E516E, 0xB814, 0x414B, {0x83, 0xCD, 0x85, 0x6D, 0x6F, 0xEF, 0x48, 0x22}}, 2};

bool belongs_to_cable(const AudioApi& api, IMMDevice& endpoint) {
  win::ComPtr<IPropertyStore> store;
  if (FAILED(endpoint.OpenPropertyStore(STGM_READ, store.put())) || !store.get()) return false;
  PropVariant name(api.prop_variant_clear);
  if (FAILED(store->GetValue(kAdapterNameKey, name.put()))) return false;
  // Only a string value is read as text; another type's union member is no name.
  const PROPVARIANT& value = name.get();
  return value.vt == VT_LPWSTR && value.pwszVal &&
         std::wstring_view(value.pwszVal).find(kCableName) != std::wstring_view::npos;
}

// One enumeration of the active endpoints of both flows. Any failed COM call
// makes the poll count no cable endpoints, which the caller treats as a bad poll.
UINT count_cable_endpoints(const AudioApi& api) {
  win::ComPtr<IMMDeviceCollection> endpoints;
  {
    win::ComPtr<IMMDeviceEnumerator> enumerator;
    if (FAILED(api.co_create_instance(kDeviceEnumeratorClass, nullptr, CLSCTX_ALL, kDeviceEnumeratorInterface,
                                      enumerator.put_void())) ||
        !enumerator.get())
      return 0;
    if (FAILED(enumerator->EnumAudioEndpoints(eAll, DEVICE_STATE_ACTIVE, endpoints.put())) || !endpoints.get())
      return 0;
  }
  UINT count = 0;
  if (FAILED(endpoints->GetCount(&count))) count = 0;
  UINT matches = 0;
  for (UINT index = 0; index < count; ++index) {
    win::ComPtr<IMMDevice> endpoint;
    if (FAILED(endpoints->Item(index, endpoint.put())) || !endpoint.get()) continue;
    if (belongs_to_cable(api, *endpoint.get())) ++matches;
  }
  return matches;
}

}  // namespace

void wait_for_cable_endpoints(const AudioApi& api) {
  const ULONGLONG start = api.get_tick_count64();
  bool good_run = false;
  ULONGLONG stable_since = 0;
  // The limit is tested before each poll and never cuts one short.
  for (ULONGLONG now = start; now - start < kWaitLimitMs; now = api.get_tick_count64()) {
    if (count_cable_endpoints(api) >= kCableEndpointsNeeded) {
      if (!good_run) stable_since = now;
      good_run = true;
      if (now - stable_since >= kSettleMs) return;
    } else {
      good_run = false;
    }
    api.sleep(kPollIntervalMs);
  }
}
