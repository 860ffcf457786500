// The mark that --install gives the root device it creates, so that
// --uninstall can tell Lumetta's cable from one that another product
// installed. Only a device that carries it is ever removed.
#pragma once
#include <windows.h>
#include <devpropdef.h>

// A device property of Lumetta's own: {d484c2b7-c5b6-4f72-90f1-e0261e9a485d},
// made for this mark alone; property IDs below 2 are reserved. Changing it
// would leave every cable installed before unremovable.
inline constexpr DEVPROPKEY kCableMarkKey = {
    {0xd484c2b7, 0xc5b6, 0x4f72, {0x90, 0xf1, 0xe0, 0x26, 0x1e, 0x9a, 0x48, 0x5d}}, 2};

// Its value, a DEVPROP_TYPE_STRING, names the helper that set it. The version
// is the project's, the one the version resource carries. A mark of any value
// counts: a cable installed by an older helper is still Lumetta's.
inline constexpr wchar_t kCableMarkValue[] = L"driver_setup " DRIVER_SETUP_VERSION;
