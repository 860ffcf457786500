// A fake multimedia device API: an enumerator, endpoints, property stores and
// the audio policy object, all counting their references, with answers chosen
// by the test; and a clock that only Sleep moves.
#pragma once
#include <windows.h>
#include <mmdeviceapi.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "driver_setup/audio/audio_api.h"

// Endpoint identities shaped as Windows makes them: the data flow is their
// third number, which is how the policy object knows the flow of a role.
std::wstring render_id(std::wstring_view name);
std::wstring capture_id(std::wstring_view name);

// One endpoint that EnumAudioEndpoints may list.
struct FakeEndpoint {
  std::wstring adapter;  // its PKEY_DeviceInterface_FriendlyName
  EDataFlow flow = eRender;
  DWORD state = DEVICE_STATE_ACTIVE;
  VARTYPE type = VT_LPWSTR;  // VT_LPWSTR or VT_BSTR carry the name; any other type none
  bool null_name = false;    // a VT_LPWSTR value whose pointer is null
  HRESULT item_result = S_OK;
  HRESULT store_result = S_OK;
  // Item or OpenPropertyStore answers S_OK without handing out the object.
  bool null_item = false;
  bool null_store = false;
  HRESULT value_result = S_OK;
};

class FakeAudio {
 public:
  // Answers for slot 3 * flow + role.
  HRESULT create_result = S_OK;  // the device enumerator's creation
  std::array<HRESULT, 6> default_result{};
  std::array<HRESULT, 6> id_result{};
  std::array<bool, 6> null_id{};  // GetId succeeds without a string
  std::array<std::wstring, 6> ids;

  // Every endpoint of the machine; EnumAudioEndpoints lists those of the asked
  // flow and state, as Windows does.
  std::vector<FakeEndpoint> endpoints;
  HRESULT list_result = S_OK;   // EnumAudioEndpoints
  HRESULT count_result = S_OK;  // IMMDeviceCollection::GetCount

  // Calls that answer S_OK without handing out their object. Windows documents
  // an object for every success; the code must still not take one for granted.
  bool null_enumerator = false, null_collection = false, null_policy = false;
  std::array<bool, 6> null_default{};

  // The policy object. A SetRoleDefault that succeeds changes the default of
  // its slot unless policy_changes_defaults is false (Windows ignored it).
  HRESULT policy_create_result = S_OK;
  std::array<HRESULT, 6> set_role_result{};
  bool policy_changes_defaults = true;

  // The clock: GetTickCount64 answers now, Sleep adds to it and then lets the
  // test change the machine.
  ULONGLONG now = 5'000'000'000;
  std::function<void()> on_sleep;

  // What the code asked for and still holds.
  DWORD context = 0;
  CLSID clsid{};
  IID iid{};
  int creations = 0;
  int live_objects = 0;  // COM objects whose count has not reached zero
  int live_strings = 0;  // strings not yet given back to CoTaskMemFree or PropVariantClear
  int policy_creations = 0;
  std::vector<std::pair<std::wstring, ERole>> role_calls;
  int unused_policy_calls = 0;  // table entries before SetRoleDefault
  int value_reads = 0;
  int clears = 0;
  std::vector<DWORD> sleeps;

  FakeAudio();
  ~FakeAudio();
  FakeAudio(const FakeAudio&) = delete;
  FakeAudio& operator=(const FakeAudio&) = delete;

  // Slot answers for a machine whose defaults are these six identities
  // (an empty one answers "no default").
  void set_defaults(const std::array<std::wstring, 6>& defaults);

  const AudioApi& api() const { return api_; }
  static FakeAudio& current();

 private:
  AudioApi api_;
};
