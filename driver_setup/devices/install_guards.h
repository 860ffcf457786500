// What must hold before the cable device is installed or removed.
#pragma once
#include "driver_setup/devices/install_api.h"

inline constexpr char kInstallGameRefusal[] =
    "Close Rocksmith before installing the virtual audio driver; no device was changed";
inline constexpr char kRemovalGameRefusal[] =
    "Close Rocksmith before removing the virtual audio driver; no device was changed";

// Raises "Administrator permission required" without rights, a step error when
// the running processes cannot be listed, and game_refusal while the game
// runs. Opens nothing that outlives the call.
void check_change_allowed(const InstallApi& api, const char* game_refusal);
