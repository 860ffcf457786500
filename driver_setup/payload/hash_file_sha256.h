// The SHA-256 digest of one package file, streamed through a single fixed buffer.
#pragma once
#include <cstddef>
#include <string>

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
  std::string sha256;  // 64 lower-case hexadecimal characters
};

// Opens path for reading, sharing it as share says, and hashes what that
// handle reads. Raises "SHA256 unavailable", "SHA256 initialization failed" or
// "Cannot hash driver payload" (the file cannot be opened or read to its end,
// or bcrypt refuses it).
HashedFile hash_payload_file(const std::wstring& path, DWORD share, const PayloadApi& api);

// The digest alone; the file is shared with writers and closed again.
std::string hash_file_sha256(const std::wstring& path, const PayloadApi& api = real_payload_api());
