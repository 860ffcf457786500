#include "tests/unit/fake_audio.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <optional>

#include "driver_setup/audio/default_endpoint_policy.h"
#include "driver_setup/audio/device_enumerator.h"

namespace {

FakeAudio* g_current = nullptr;

// PKEY_DeviceInterface_FriendlyName
constexpr PROPERTYKEY kAdapterNameKey = {
    {0x026E516E, 0xB814, 0x414B, {0x83, 0xCD, 0x85, 0x6D, 0x6F, 0xEF, 0x48, 0x22}}, 2};

// Reference counting shared by all fake interfaces.
template <typename I>
class Counted : public I {
 public:
  Counted() { ++FakeAudio::current().live_objects; }
  virtual ~Counted() { --FakeAudio::current().live_objects; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ULONG refs_ = 1;
};

LPWSTR co_task_copy(const std::wstring& text) {
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  text.copy(copy, text.size());
  copy[text.size()] = L'\0';
  ++FakeAudio::current().live_strings;
  return copy;
}

class FakePropertyStore : public Counted<IPropertyStore> {
 public:
  explicit FakePropertyStore(const FakeEndpoint& endpoint) : endpoint_(endpoint) {}
  HRESULT STDMETHODCALLTYPE GetCount(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE Commit() override { return STG_E_ACCESSDENIED; }
  // Like Windows: an unknown key is no failure, it reads as VT_EMPTY.
  HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
    FakeAudio& audio = FakeAudio::current();
    ++audio.value_reads;
    PropVariantInit(value);
    if (FAILED(endpoint_.value_result)) return endpoint_.value_result;
    if (!IsEqualPropertyKey(key, kAdapterNameKey)) return S_OK;
    value->vt = endpoint_.type;
    if (endpoint_.type == VT_LPWSTR && !endpoint_.null_name) value->pwszVal = co_task_copy(endpoint_.adapter);
    if (endpoint_.type == VT_BSTR) {
      value->bstrVal = SysAllocString(endpoint_.adapter.c_str());
      ++audio.live_strings;
    }
    return S_OK;
  }

 private:
  FakeEndpoint endpoint_;
};

// A default endpoint (by slot) or a listed endpoint (by its description).
class FakeDevice : public Counted<IMMDevice> {
 public:
  explicit FakeDevice(int slot) : slot_(slot) {}
  explicit FakeDevice(const FakeEndpoint& endpoint) : endpoint_(endpoint) {}
  HRESULT STDMETHODCALLTYPE Activate(REFIID, DWORD, PROPVARIANT*, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** out) override {
    *out = nullptr;
    if (!endpoint_) return E_NOTIMPL;
    if (access != STGM_READ) return E_ACCESSDENIED;  // what a user without rights gets for writing
    if (FAILED(endpoint_->store_result)) return endpoint_->store_result;
    if (!endpoint_->null_store) *out = new FakePropertyStore(*endpoint_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetState(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetId(LPWSTR* out) override {
    FakeAudio& audio = FakeAudio::current();
    if (FAILED(audio.id_result[slot_])) return audio.id_result[slot_];
    *out = audio.null_id[slot_] ? nullptr : co_task_copy(audio.ids[slot_]);
    return S_OK;
  }

 private:
  int slot_ = 0;
  std::optional<FakeEndpoint> endpoint_;
};

class FakeCollection : public Counted<IMMDeviceCollection> {
 public:
  explicit FakeCollection(std::vector<FakeEndpoint> listed) : listed_(std::move(listed)) {}
  HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override {
    const HRESULT hr = FakeAudio::current().count_result;
    if (SUCCEEDED(hr)) *count = static_cast<UINT>(listed_.size());
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Item(UINT index, IMMDevice** out) override {
    *out = nullptr;
    if (index >= listed_.size()) return E_INVALIDARG;
    if (FAILED(listed_[index].item_result)) return listed_[index].item_result;
    if (!listed_[index].null_item) *out = new FakeDevice(listed_[index]);
    return S_OK;
  }

 private:
  std::vector<FakeEndpoint> listed_;
};

class FakeEnumerator : public Counted<IMMDeviceEnumerator> {
 public:
  HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD mask, IMMDeviceCollection** out) override {
    FakeAudio& audio = FakeAudio::current();
    *out = nullptr;
    if (FAILED(audio.list_result)) return audio.list_result;
    std::vector<FakeEndpoint> listed;
    for (const FakeEndpoint& e : audio.endpoints)
      if ((flow == eAll || flow == e.flow) && (e.state & mask)) listed.push_back(e);
    if (!audio.null_collection) *out = new FakeCollection(std::move(listed));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR, IMMDevice**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(IMMNotificationClient*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role, IMMDevice** out) override {
    const int slot = 3 * flow + role;
    *out = nullptr;
    const HRESULT hr = FakeAudio::current().default_result[slot];
    if (FAILED(hr)) return hr;
    if (!FakeAudio::current().null_default[slot]) *out = new FakeDevice(slot);
    return hr;
  }
};

class FakePolicy : public Counted<IDefaultEndpointPolicy> {
 public:
  HRESULT STDMETHODCALLTYPE Unused4() override { return unused(); }
  HRESULT STDMETHODCALLTYPE Unused5() override { return unused(); }
  HRESULT STDMETHODCALLTYPE Unused6() override { return unused(); }
  HRESULT STDMETHODCALLTYPE Unused7() override { return unused(); }
  HRESULT STDMETHODCALLTYPE Unused8() override { return unused(); }
  HRESULT STDMETHODCALLTYPE Unused9() override { return unused(); }
  HRESULT STDMETHODCALLTYPE Unused10() override { return unused(); }
  HRESULT STDMETHODCALLTYPE Unused11() override { return unused(); }
  HRESULT STDMETHODCALLTYPE Unused12() override { return unused(); }
  HRESULT STDMETHODCALLTYPE Unused13() override { return unused(); }
  HRESULT STDMETHODCALLTYPE SetRoleDefault(LPCWSTR id, ERole role) override {
    FakeAudio& audio = FakeAudio::current();
    audio.role_calls.emplace_back(id, role);
    if (role < eConsole || role > eCommunications) return E_INVALIDARG;
    const std::wstring_view text(id);
    const int flow = text.size() > 5 && text[5] == L'1' ? eCapture : eRender;
    const int slot = 3 * flow + role;
    if (FAILED(audio.set_role_result[slot])) return audio.set_role_result[slot];
    if (audio.policy_changes_defaults) {
      audio.ids[slot] = id;
      audio.default_result[slot] = S_OK;
    }
    return S_OK;
  }

 private:
  static HRESULT unused() {
    ++FakeAudio::current().unused_policy_calls;
    return E_NOTIMPL;
  }
};

// Windows hands out an object only for a registered class and a known interface.
HRESULT WINAPI fake_co_create_instance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out) {
  FakeAudio& audio = FakeAudio::current();
  EXPECT_TRUE(outer == nullptr);
  audio.clsid = clsid;
  audio.iid = iid;
  audio.context = context;
  ++audio.creations;
  *out = nullptr;
  if (IsEqualCLSID(clsid, kDeviceEnumeratorClass)) {
    if (FAILED(audio.create_result)) return audio.create_result;
    if (!IsEqualIID(iid, kDeviceEnumeratorInterface)) return E_NOINTERFACE;
    if (!audio.null_enumerator) *out = static_cast<IMMDeviceEnumerator*>(new FakeEnumerator);
    return audio.create_result;
  }
  if (IsEqualCLSID(clsid, kDefaultEndpointPolicyClass)) {
    ++audio.policy_creations;
    if (FAILED(audio.policy_create_result)) return audio.policy_create_result;
    if (!IsEqualIID(iid, kDefaultEndpointPolicyInterface)) return E_NOINTERFACE;
    if (!audio.null_policy) *out = static_cast<IDefaultEndpointPolicy*>(new FakePolicy);
    return audio.policy_create_result;
  }
  return REGDB_E_CLASSNOTREG;
}

void WINAPI fake_co_task_mem_free(LPVOID p) {
  if (p) --FakeAudio::current().live_strings;
  CoTaskMemFree(p);
}

HRESULT WINAPI fake_prop_variant_clear(PROPVARIANT* value) {
  FakeAudio& audio = FakeAudio::current();
  ++audio.clears;
  if ((value->vt == VT_LPWSTR && value->pwszVal) || (value->vt == VT_BSTR && value->bstrVal)) --audio.live_strings;
  return PropVariantClear(value);
}

ULONGLONG WINAPI fake_get_tick_count64() { return FakeAudio::current().now; }

void WINAPI fake_sleep(DWORD ms) {
  FakeAudio& audio = FakeAudio::current();
  audio.sleeps.push_back(ms);
  audio.now += ms;
  if (audio.on_sleep) audio.on_sleep();
}

}  // namespace

std::wstring render_id(std::wstring_view name) { return L"{0.0.0.00000000}.{" + std::wstring(name) + L"}"; }
std::wstring capture_id(std::wstring_view name) { return L"{0.0.1.00000000}.{" + std::wstring(name) + L"}"; }

FakeAudio::FakeAudio()
    : api_{fake_co_create_instance, fake_co_task_mem_free, fake_prop_variant_clear, fake_get_tick_count64,
           fake_sleep} {
  EXPECT_TRUE(g_current == nullptr);
  g_current = this;
}

FakeAudio::~FakeAudio() { g_current = nullptr; }

FakeAudio& FakeAudio::current() { return *g_current; }

void FakeAudio::set_defaults(const std::array<std::wstring, 6>& defaults) {
  ids = defaults;
  for (size_t slot = 0; slot < defaults.size(); ++slot)
    default_result[slot] = defaults[slot].empty() ? HRESULT_FROM_WIN32(ERROR_NOT_FOUND) : S_OK;
}
