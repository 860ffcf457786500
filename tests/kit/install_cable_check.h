// The kit's one check that changes the machine for good: a real installation
// of the cable from the package folder, asked for with --install-cable.
#pragma once
#include "tests/kit/kit.h"

namespace kit {

// driver_setup --install, then --probe against the device's own status, then
// --install again, which must reuse the started device.
Outcome install_cable(const Context& c);

}  // namespace kit
