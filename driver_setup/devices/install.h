// Creating the root cable device and installing its driver.
#pragma once
#include <string>

// Not built yet: raises "Driver installation is not available yet".
bool install_cable_device(const std::wstring& payload_folder);
