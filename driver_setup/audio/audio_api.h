// The COM, property and timing calls of the audio subsystem, as a table: the
// product binds the real functions, tests bind fakes that hand out fake
// endpoint objects and a clock that only Sleep moves.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <propidl.h>

#include "common/unique_resource.h"

struct AudioApi {
  decltype(&::CoCreateInstance) co_create_instance;
  decltype(&::CoTaskMemFree) co_task_mem_free;
  decltype(&::PropVariantClear) prop_variant_clear;
  decltype(&::GetTickCount64) get_tick_count64;
  decltype(&::Sleep) sleep;
};

const AudioApi& real_audio_api();

// Strings that COM allocates for the caller (endpoint identities).
struct CoTaskMemStringKind
    : win::OwnerKind<LPWSTR, win::NullSentinel, decltype(AudioApi::co_task_mem_free), win::NothingToAnswer> {};
using CoTaskMemString = win::UniqueResource<CoTaskMemStringKind>;

// A property value that a property store fills in. It is cleared once, also
// after a failed read, since a store may have filled part of it before failing.
class PropVariant {
 public:
  explicit PropVariant(decltype(AudioApi::prop_variant_clear) clear) : clear_(clear) { PropVariantInit(&value_); }
  ~PropVariant() {
    win::LastErrorKeeper keep;
    clear_(&value_);
  }
  PropVariant(const PropVariant&) = delete;
  PropVariant& operator=(const PropVariant&) = delete;

  PROPVARIANT* put() { return &value_; }
  const PROPVARIANT& get() const { return value_; }

 private:
  PROPVARIANT value_;
  decltype(AudioApi::prop_variant_clear) clear_;
};
