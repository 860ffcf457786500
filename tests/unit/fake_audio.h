// A fake multimedia device API: an enumerator and endpoints that count their
// references, and per-slot answers chosen by the test.
#pragma once
#include <windows.h>
#include <mmdeviceapi.h>

#include <array>
#include <string>

#include "audio/audio_api.h"

class FakeAudio {
 public:
  // Answers for slot 3 * flow + role.
  HRESULT create_result = S_OK;
  std::array<HRESULT, 6> default_result{};
  std::array<HRESULT, 6> id_result{};
  std::array<std::wstring, 6> ids;

  // What the code asked for and still holds.
  DWORD context = 0;
  CLSID clsid{};
  IID iid{};
  int creations = 0;
  int live_objects = 0;  // COM objects whose count has not reached zero
  int live_strings = 0;  // identity strings not yet given back to CoTaskMemFree

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
