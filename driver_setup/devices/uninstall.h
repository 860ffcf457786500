// Removing the cable devices that --install created, and their driver packages.
#pragma once
#include "driver_setup/devices/device_api.h"
#include "driver_setup/devices/install_api.h"

// Checks administrator rights and running games (guards), then removes every
// cable device of the MEDIA class that carries Lumetta's mark, present or not,
// and deletes each of their driver packages from the driver store without
// forcing: a package that another device still uses stays. A device without
// the mark is never touched. Answers whether Windows asked for a restart to
// finish a removal. Raises the step that failed and stops there; what was not
// reached stays as it was, for a later run to finish.
bool uninstall_cable_devices(const DeviceApi& devices = real_device_api(), const InstallApi& guards = real_install_api());
