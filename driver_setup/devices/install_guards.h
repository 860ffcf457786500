// What must hold before the installation changes anything.
#pragma once
#include "driver_setup/devices/install_api.h"

// Raises "Administrator permission required" without rights, a step error when
// the running processes cannot be listed, and the Rocksmith refusal while the
// game runs. Opens nothing that outlives the call.
void check_install_allowed(const InstallApi& api);
