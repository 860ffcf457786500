#include "updater/file_digest.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/bcrypt_owners.h"

namespace {

using Digest = std::array<UCHAR, kDigestBytes>;

std::optional<ULONG> hash_object_length(const DigestApi& api, BCRYPT_ALG_HANDLE provider) {
  ULONG length = 0;
  ULONG written = 0;
  if (!BCRYPT_SUCCESS(api.get_property(provider, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&length),
                                       sizeof length, &written, 0)))
    return std::nullopt;
  return length;
}

// Feeds the file to the hash in whole chunks until ReadFile reports its end.
bool hash_file(const DigestApi& api, BCRYPT_HASH_HANDLE hash, HANDLE file) {
  std::vector<UCHAR> chunk(kDigestReadChunk);
  for (;;) {
    DWORD read = 0;
    if (!api.read_file(file, chunk.data(), kDigestReadChunk, &read, nullptr)) return false;
    if (read == 0) return true;
    if (!BCRYPT_SUCCESS(api.hash_data(hash, chunk.data(), read, 0))) return false;
  }
}

std::optional<Digest> digest_of(const DigestApi& api, HANDLE file) {
  BCRYPT_ALG_HANDLE opened = nullptr;
  if (!BCRYPT_SUCCESS(api.open_algorithm_provider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
    return std::nullopt;
  win::AlgorithmProvider provider(opened, {api.close_algorithm_provider});
  const auto object_length = hash_object_length(api, provider.get());
  if (!object_length) return std::nullopt;

  std::vector<UCHAR> hash_object(*object_length);
  BCRYPT_HASH_HANDLE created = nullptr;
  if (!BCRYPT_SUCCESS(api.create_hash(provider.get(), &created, hash_object.empty() ? nullptr : hash_object.data(),
                                      *object_length, nullptr, 0, 0)))
    return std::nullopt;
  // Declared after the buffer: the hash object must be destroyed before its memory goes.
  win::HashObject hash(created, api.destroy_hash);
  if (!hash_file(api, hash.get(), file)) return std::nullopt;

  Digest digest{};
  if (!BCRYPT_SUCCESS(api.finish_hash(hash.get(), digest.data(), kDigestBytes, 0))) return std::nullopt;
  return digest;
}

std::wstring lower_hex(const Digest& digest) {
  static constexpr wchar_t kHexDigits[] = L"0123456789abcdef";
  std::wstring text;
  text.reserve(kDigestTextChars);
  for (const UCHAR byte : digest) {
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0xF]);
  }
  return text;
}

}  // namespace

bool verify_file_digest(HANDLE file, std::wstring_view expected, const DigestApi& api) {
  if (expected.size() != kDigestTextChars) return false;
  const auto digest = digest_of(api, file);
  if (!digest) return false;
  return lower_hex(*digest) == expected;
}
