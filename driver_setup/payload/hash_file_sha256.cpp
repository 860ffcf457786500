#include "driver_setup/payload/hash_file_sha256.h"

#include <array>
#include <fstream>
#include <stdexcept>
#include <vector>

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

// Feeds the whole file to the hash; false when it cannot be opened or read
// to its end, or when bcrypt refuses a chunk (the file is still read out).
bool hash_stream(const std::wstring& path, const PayloadApi& api, BCRYPT_HASH_HANDLE hash) {
  std::ifstream file;
  file.rdbuf()->pubsetbuf(nullptr, 0);  // the chunk below is the only buffer
  // _wfopen shares read and write access: a file that another program holds
  // open stays hashable, and nothing is locked once the stream is gone.
  file.open(path.c_str(), std::ios::in | std::ios::binary);
  bool ok = file.good();
  std::vector<UCHAR> chunk(kPayloadReadChunk);
  while (!file.fail()) {
    file.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
    // The read that meets the end may bring 0 bytes; bcrypt takes that too.
    const auto count = static_cast<ULONG>(file.gcount());
    if (!BCRYPT_SUCCESS(api.hash_data(hash, chunk.data(), count, 0))) ok = false;
  }
  return ok && file.eof() && !file.bad();  // a loop stopped by a read error is no digest
}

std::string to_lower_hex(const Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * digest.size());
  for (const UCHAR byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace

std::string hash_file_sha256(const std::wstring& path, const PayloadApi& api) {
  AlgorithmProvider provider = open_sha256(api);
  HashObject hash = create_hash(api, provider);
  bool ok = hash_stream(path, api, hash.get());
  Digest digest{};
  if (!BCRYPT_SUCCESS(api.finish_hash(hash.get(), digest.data(), kSha256Bytes, 0))) ok = false;
  hash.reset();
  provider.reset();
  if (!ok) throw std::runtime_error("Cannot hash driver payload");
  return to_lower_hex(digest);
}
