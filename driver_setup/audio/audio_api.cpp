#include "driver_setup/audio/audio_api.h"

const AudioApi& real_audio_api() {
  static const AudioApi api{::CoCreateInstance, ::CoTaskMemFree, ::PropVariantClear, ::GetTickCount64, ::Sleep};
  return api;
}
