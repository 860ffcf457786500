// The cable device inventory: every MEDIA-class device whose hardware IDs
// name the cable.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "driver_setup/cable.h"
#include "driver_setup/devices/device_api.h"

// {4d36e96c-e325-11ce-bfc1-08002be10318}
inline constexpr GUID kMediaDeviceClass = {
    0x4d36e96c, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

inline constexpr DWORD kHardwareIdBufferBytes = 16384;
inline constexpr DWORD kInstanceIdChars = 200;  // MAX_DEVICE_ID_LEN
inline constexpr ULONG kDevNodeStarted = 0x8;   // DN_STARTED
inline constexpr ULONG kProblemUnknown = 0xFFFFFFFF;

struct CableDevice {
  std::wstring instance_id;
  ULONG status = 0;   // DN_* bits; 0 when the node could not be queried
  ULONG problem = 0;  // CM_PROB_*; kProblemUnknown when it could not be queried
};

// Lists the cable devices in enumeration order, present or not. Raises a step
// error when SetupAPI fails.
std::vector<CableDevice> find_cable_devices(const DeviceApi& api = real_device_api());

// Every device of the MEDIA class, present or not; raises "SetupDiGetClassDevs".
DeviceInfoSet open_media_devices(const DeviceApi& api);

// Hands each device of the set whose hardware IDs name the cable to visit, in
// enumeration order. Raises the inventory's step errors.
void for_each_cable_device(const DeviceApi& api, HDEVINFO set, const std::function<void(SP_DEVINFO_DATA&)>& visit);
