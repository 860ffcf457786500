#include "audio_api.h"

const AudioApi& real_audio_api() {
  static const AudioApi api{::CoCreateInstance, ::CoTaskMemFree};
  return api;
}
