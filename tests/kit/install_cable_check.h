// The kit's checks that change the devices of the machine: a real installation
// of the cable from the package folder, asked for with --install-cable, and its
// removal at the end of the run.
#pragma once
#include "tests/kit/kit.h"

namespace kit {

// driver_setup --install, then --probe against the device's own status, then
// --install again, which must reuse the started device.
Outcome install_cable(const Context& c);

// driver_setup --uninstall after the installation: no cable device is left, by
// the kit's own count and by --probe.
Outcome uninstall_cable(const Context& c);

// The driver package that the installation added (its oem*.inf, read from the
// device before the removal) has left %windir%\INF.
Outcome uninstall_cable_package(const Context& c);

}  // namespace kit
