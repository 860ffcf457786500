// Putting the default endpoints back, and waiting for the cable's endpoints.
#pragma once
#include "default_endpoints.h"

// Not built yet: returns at once.
void wait_for_cable_endpoints();
// Not built yet: raises "Restoring the audio defaults is not available yet".
void restore_default_endpoints(const DefaultEndpointSet& wanted);
