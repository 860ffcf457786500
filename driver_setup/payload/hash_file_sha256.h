// The SHA-256 digest of one package file, streamed through a single fixed buffer.
#pragma once
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "common/unique_resource.h"
#include "driver_setup/payload/payload_api.h"

inline constexpr std::size_t kPayloadReadChunk = 65536;

// What other programs may still do with a package file while it is open.
inline constexpr DWORD kPayloadShareWithWriters = FILE_SHARE_READ | FILE_SHARE_WRITE;
inline constexpr DWORD kPayloadShareWithReaders = FILE_SHARE_READ;

// A package file's digest, and the handle it was read through, left open at
// the file's end.
struct HashedFile {
  win::FileHandle file;
  std::string sha256;        // 64 lower-case hexadecimal characters
  std::vector<UCHAR> bytes;  // exactly what was hashed, when the caller asked to keep it
};

// Opens path for reading, sharing it as share says, and hashes what that
// handle reads; with keep_bytes, the bytes read stay in memory too (as much
// memory as the file has bytes). Raises "SHA256 unavailable", "SHA256
// initialization failed" or "Cannot hash driver payload" (the file cannot be
// opened or read to its end, bcrypt refuses it, or it is too large to keep).
HashedFile hash_payload_file(const std::wstring& path, DWORD share, const PayloadApi& api, bool keep_bytes = false);

// Bytes as lower-case hexadecimal, two digits each, high digit first.
std::string to_lower_hex(std::span<const UCHAR> bytes);

// The digest alone; the file is shared with writers and closed again.
std::string hash_file_sha256(const std::wstring& path, const PayloadApi& api = real_payload_api());
