#include "driver_setup/payload/hash_file_sha256.h"

#include <array>
#include <new>
#include <stdexcept>
#include <vector>

#include "common/caller_path.h"

namespace {

constexpr ULONG kSha256Bytes = 32;
using Digest = std::array<UCHAR, kSha256Bytes>;

AlgorithmProvider open_sha256(const PayloadApi& api) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  const NTSTATUS status = api.open_algorithm_provider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  AlgorithmProvider provider(BCRYPT_SUCCESS(status) ? handle : nullptr, {api.close_algorithm_provider});
  if (!BCRYPT_SUCCESS(status)) throw std::runtime_error("SHA256 unavailable");
  return provider;
}

// No caller buffer: bcrypt sizes and owns the hash object itself.
HashObject create_hash(const PayloadApi& api, const AlgorithmProvider& provider) {
  BCRYPT_HASH_HANDLE handle = nullptr;
  const NTSTATUS status = api.create_hash(provider.get(), &handle, nullptr, 0, nullptr, 0, 0);
  HashObject hash(BCRYPT_SUCCESS(status) ? handle : nullptr, api.destroy_hash);
  if (!BCRYPT_SUCCESS(status)) throw std::runtime_error("SHA256 initialization failed");
  return hash;
}

// Appends one chunk; a file that does not fit in memory cannot be kept, and
// so cannot be checked for the installation either.
bool keep_chunk(std::vector<UCHAR>* kept, const std::vector<UCHAR>& chunk, DWORD count) {
  if (!kept) return true;
  try {
    kept->insert(kept->end(), chunk.begin(), chunk.begin() + count);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Feeds the file to the hash until a read reports its end (a synchronous
// ReadFile answers TRUE with 0 bytes there), keeping what it read when asked;
// false on a read error, or when bcrypt refused a chunk (the file is still
// read out).
bool hash_stream(const PayloadApi& api, HANDLE file, BCRYPT_HASH_HANDLE hash, std::vector<UCHAR>* kept) {
  std::vector<UCHAR> chunk(kPayloadReadChunk);
  bool ok = true;
  for (;;) {
    DWORD count = 0;
    if (!api.read_file(file, chunk.data(), static_cast<DWORD>(chunk.size()), &count, nullptr)) return false;
    if (!keep_chunk(kept, chunk, count)) return false;
    // The read that meets the end brings 0 bytes; bcrypt takes that too.
    if (!BCRYPT_SUCCESS(api.hash_data(hash, chunk.data(), count, 0))) ok = false;
    if (count == 0) return ok;
  }
}

}  // namespace

std::string to_lower_hex(std::span<const UCHAR> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * bytes.size());
  for (const UCHAR byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

HashedFile hash_payload_file(const std::wstring& path, DWORD share, const PayloadApi& api, bool keep_bytes) {
  AlgorithmProvider provider = open_sha256(api);
  HashObject hash = create_hash(api, provider);
  win::FileHandle file = win::open_caller_path(api.create_file, api.close_handle, path, win::PathAccess::read, share);
  std::vector<UCHAR> bytes;
  bool ok = file.valid() && hash_stream(api, file.get(), hash.get(), keep_bytes ? &bytes : nullptr);
  Digest digest{};
  if (!BCRYPT_SUCCESS(api.finish_hash(hash.get(), digest.data(), kSha256Bytes, 0))) ok = false;
  hash.reset();
  provider.reset();
  if (!ok) throw std::runtime_error("Cannot hash driver payload");
  return {std::move(file), to_lower_hex(digest), std::move(bytes)};
}

std::string hash_file_sha256(const std::wstring& path, const PayloadApi& api) {
  return hash_payload_file(path, kPayloadShareWithWriters, api).sha256;
}
