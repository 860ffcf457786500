// The SHA-256 digest of one file, streamed through a single fixed buffer.
#pragma once
#include <cstddef>
#include <string>

#include "driver_setup/payload/payload_api.h"

inline constexpr std::size_t kPayloadReadChunk = 65536;

// Returns 64 lower-case hexadecimal characters. Raises "SHA256 unavailable",
// "SHA256 initialization failed" or "Cannot hash driver payload".
std::string hash_file_sha256(const std::wstring& path, const PayloadApi& api = real_payload_api());
