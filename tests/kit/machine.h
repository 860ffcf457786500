// What the kit reads from the machine itself, without the helpers' code, to
// hold their answers against.
#pragma once
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

// MEDIA-class devices, present or not, whose hardware IDs name the cable.
std::optional<std::size_t> count_cable_devices();

}  // namespace kit
