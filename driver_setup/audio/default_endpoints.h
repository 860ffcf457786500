// The six Windows default audio endpoints: render then capture, each for the
// console, multimedia and communications roles.
#pragma once
#include <array>
#include <string>

#include "driver_setup/audio/audio_api.h"

// Slot 3 * flow + role; an empty slot means Windows has no default there.
using DefaultEndpointSet = std::array<std::wstring, 6>;

// Reads the current defaults; raises std::runtime_error, never a partial set.
DefaultEndpointSet snapshot_default_endpoints(const AudioApi& api = real_audio_api());
