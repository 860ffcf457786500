// Putting the default endpoints back, and waiting for the cable's endpoints.
#pragma once
#include "driver_setup/audio/default_endpoints.h"

// Polls the active endpoints until at least three of the cable's adapter have
// been there without a break for 5 s, or 30 s have passed. Never fails.
void wait_for_cable_endpoints(const AudioApi& api = real_audio_api());

// Makes the six defaults equal to wanted (an empty slot is never applied) and
// checks the result; raises std::runtime_error when Windows refuses a change
// or the defaults differ afterwards.
void restore_default_endpoints(const DefaultEndpointSet& wanted, const AudioApi& api = real_audio_api());
