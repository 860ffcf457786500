// What names the cable, for the device and the audio subsystems alike.
#pragma once

// The hardware ID that the cable's device carries.
inline constexpr wchar_t kCableHardwareId[] = L"VBAudioVACWDM";
// The description given to a new cable device, which its endpoints then carry
// as their adapter name.
inline constexpr wchar_t kCableName[] = L"VB-Audio Virtual Cable";
