// The package files that a payload folder must hold, with their SHA-256 digests.
#pragma once
#include <cstddef>
#include <span>
#include <string_view>

struct PayloadFile {
  std::wstring_view name;    // a bare file name, joined to the payload folder
  std::string_view sha256;   // 64 lower-case hexadecimal characters
};

struct PayloadManifest {
  std::span<const PayloadFile> files;  // checked in this order; the first failure decides
  std::wstring_view catalog;           // one of the files: its digest is checked before its signature
};

inline constexpr std::size_t kPayloadFileCount = 31;
inline constexpr std::size_t kPayloadCatalogRow = 18;  // "vbaudio_cable64_win10.cat"

// The table compiled into the program. Nothing read at run time changes it;
// a test-only build links another definition of this function.
const PayloadManifest& payload_manifest();
