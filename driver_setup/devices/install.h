// Creating the root cable device and installing its driver.
#pragma once
#include <string>

#include "driver_setup/devices/install_api.h"

inline constexpr wchar_t kCableInfName[] = L"vbMmeCable64_win10.inf";

// Creates and registers a root MEDIA device with the cable's hardware ID,
// marks it as Lumetta's and installs the driver from the payload folder's INF
// on it; removes the device again when the mark or the driver installation
// fails. Checks administrator rights and running games first. Returns true,
// or raises; the caller guarantees that no cable device exists yet.
bool install_cable_device(const std::wstring& payload_folder, const InstallApi& api = real_install_api());

// The same without the checks, for a caller that has made them itself
// (check_change_allowed) and prepared the payload folder after them.
bool create_cable_device(const std::wstring& payload_folder, const InstallApi& api = real_install_api());
