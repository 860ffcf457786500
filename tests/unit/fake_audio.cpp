#include "fake_audio.h"

#include <gtest/gtest.h>

namespace {

FakeAudio* g_current = nullptr;

// Reference counting shared by both fake interfaces.
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

class FakeDevice : public Counted<IMMDevice> {
 public:
  explicit FakeDevice(int slot) : slot_(slot) {}
  HRESULT STDMETHODCALLTYPE Activate(REFIID, DWORD, PROPVARIANT*, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD, IPropertyStore**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetState(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetId(LPWSTR* out) override {
    FakeAudio& audio = FakeAudio::current();
    if (FAILED(audio.id_result[slot_])) return audio.id_result[slot_];
    const std::wstring& id = audio.ids[slot_];
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((id.size() + 1) * sizeof(wchar_t)));
    id.copy(copy, id.size());
    copy[id.size()] = L'\0';
    ++audio.live_strings;
    *out = copy;
    return S_OK;
  }

 private:
  int slot_;
};

class FakeEnumerator : public Counted<IMMDeviceEnumerator> {
 public:
  HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow, DWORD, IMMDeviceCollection**) override {
    return E_NOTIMPL;
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
    *out = new FakeDevice(slot);
    return hr;
  }
};

HRESULT WINAPI fake_co_create_instance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out) {
  FakeAudio& audio = FakeAudio::current();
  EXPECT_TRUE(outer == nullptr);
  audio.clsid = clsid;
  audio.iid = iid;
  audio.context = context;
  ++audio.creations;
  *out = nullptr;
  if (FAILED(audio.create_result)) return audio.create_result;
  *out = static_cast<IMMDeviceEnumerator*>(new FakeEnumerator);
  return audio.create_result;
}

void WINAPI fake_co_task_mem_free(LPVOID p) {
  if (p) --FakeAudio::current().live_strings;
  CoTaskMemFree(p);
}

}  // namespace

FakeAudio::FakeAudio() : api_{fake_co_create_instance, fake_co_task_mem_free} {
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
