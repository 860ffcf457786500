// The update file's check: its SHA-256, as lower-case hexadecimal text,
// against the digest that the application passed.
#pragma once
#include <windows.h>

#include <string_view>

#include "updater/updater_api.h"

inline constexpr DWORD kDigestReadChunk = 65536;
inline constexpr size_t kDigestBytes = 32;
inline constexpr size_t kDigestTextChars = 2 * kDigestBytes;

// Reads file from its current position to its end; never seeks and never
// closes it. True only when the digest text equals expected exactly; false on
// every failure, and without touching the file when expected is not 64 long.
bool verify_file_digest(HANDLE file, std::wstring_view expected, const DigestApi& api = real_digest_api());
