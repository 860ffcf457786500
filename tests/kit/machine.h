// What the kit reads from the machine itself, without the helpers' code, to
// hold their answers against.
#pragma once
#include <windows.h>
#include <cfgmgr32.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kit {

// The six default endpoints (render then capture; console, multimedia,
// communications), "" where there is none; nothing when they cannot be read.
using Defaults = std::array<std::wstring, 6>;
std::optional<Defaults> read_defaults();

// The identities of the active playback endpoints.
std::vector<std::wstring> active_render_endpoints();

// One cable device as the configuration manager sees it: answer is
// CM_Get_DevNode_Status's (CR_NO_SUCH_DEVINST for a device that is not
// present), status its DN_ flags, problem its CM_PROB_ number; package the
// oem*.inf that installed its driver, "" without one.
struct CableNode {
  CONFIGRET answer = CR_SUCCESS;
  ULONG status = 0;
  ULONG problem = 0;
  std::wstring package;
};

// MEDIA-class devices, present or not, whose hardware IDs name the cable, in
// the order Windows lists them (which means nothing).
std::optional<std::vector<CableNode>> cable_devices();
std::optional<std::size_t> count_cable_devices();

}  // namespace kit
