// The COM calls of the audio subsystem, as a table: the product binds the real
// functions, tests bind fakes that hand out fake endpoint objects.
#pragma once
#include <windows.h>
#include <objbase.h>

#include "../../common/unique_resource.h"

struct AudioApi {
  decltype(&::CoCreateInstance) co_create_instance;
  decltype(&::CoTaskMemFree) co_task_mem_free;
};

const AudioApi& real_audio_api();

using CoTaskMemString = win::UniqueResource<LPWSTR, win::NullSentinel, decltype(AudioApi::co_task_mem_free)>;
