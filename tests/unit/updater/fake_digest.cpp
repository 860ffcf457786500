#include "tests/unit/updater/fake_digest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

FakeDigest* g_current = nullptr;
constexpr NTSTATUS kStatusUnsuccessful = static_cast<NTSTATUS>(0xC0000001L);

bool fails(DigestStep step) { return FakeDigest::current().failing_step == step; }

NTSTATUS WINAPI fake_open_provider(BCRYPT_ALG_HANDLE* provider, LPCWSTR algorithm, LPCWSTR implementation,
                                   ULONG flags) {
  FakeDigest& fake = FakeDigest::current();
  EXPECT_STREQ(algorithm, BCRYPT_SHA256_ALGORITHM);
  EXPECT_EQ(implementation, nullptr);
  fake.flags_seen.push_back(flags);
  if (fails(DigestStep::open_provider)) return kStatusUnsuccessful;
  const NTSTATUS status = ::BCryptOpenAlgorithmProvider(provider, algorithm, implementation, flags);
  if (BCRYPT_SUCCESS(status)) ++fake.providers_opened;
  return status;
}

NTSTATUS WINAPI fake_get_property(BCRYPT_HANDLE object, LPCWSTR property, PUCHAR output, ULONG size,
                                  ULONG* written, ULONG flags) {
  FakeDigest& fake = FakeDigest::current();
  EXPECT_STREQ(property, BCRYPT_OBJECT_LENGTH);
  fake.flags_seen.push_back(flags);
  if (fails(DigestStep::get_property)) return kStatusUnsuccessful;
  const NTSTATUS status = ::BCryptGetProperty(object, property, output, size, written, flags);
  if (BCRYPT_SUCCESS(status) && fake.reported_object_length)
    std::memcpy(output, &*fake.reported_object_length, sizeof(ULONG));
  return status;
}

NTSTATUS WINAPI fake_create_hash(BCRYPT_ALG_HANDLE provider, BCRYPT_HASH_HANDLE* hash, PUCHAR object,
                                 ULONG object_size, PUCHAR secret, ULONG secret_size, ULONG flags) {
  FakeDigest& fake = FakeDigest::current();
  fake.created_object_length = object_size;
  fake.created_with_buffer = object != nullptr;
  fake.created_with_secret = secret != nullptr || secret_size != 0;
  fake.flags_seen.push_back(flags);
  if (fails(DigestStep::create_hash)) return kStatusUnsuccessful;
  // A length the provider did not report would be refused: hash into its own memory then.
  const bool own = fake.reported_object_length.has_value();
  const NTSTATUS status = ::BCryptCreateHash(provider, hash, own ? nullptr : object, own ? 0 : object_size,
                                             secret, secret_size, flags);
  if (BCRYPT_SUCCESS(status)) ++fake.hashes_created;
  return status;
}

NTSTATUS WINAPI fake_hash_data(BCRYPT_HASH_HANDLE hash, PUCHAR input, ULONG size, ULONG flags) {
  FakeDigest& fake = FakeDigest::current();
  fake.hashed_sizes.push_back(size);
  fake.flags_seen.push_back(flags);
  if (fails(DigestStep::hash_data)) return kStatusUnsuccessful;
  return ::BCryptHashData(hash, input, size, flags);
}

NTSTATUS WINAPI fake_finish_hash(BCRYPT_HASH_HANDLE hash, PUCHAR output, ULONG size, ULONG flags) {
  FakeDigest::current().flags_seen.push_back(flags);
  if (fails(DigestStep::finish_hash)) return kStatusUnsuccessful;
  return ::BCryptFinishHash(hash, output, size, flags);
}

NTSTATUS WINAPI fake_destroy_hash(BCRYPT_HASH_HANDLE hash) {
  ++FakeDigest::current().hashes_destroyed;
  return ::BCryptDestroyHash(hash);
}

NTSTATUS WINAPI fake_close_provider(BCRYPT_ALG_HANDLE provider, ULONG flags) {
  FakeDigest& fake = FakeDigest::current();
  ++fake.providers_closed;
  fake.flags_seen.push_back(flags);
  return ::BCryptCloseAlgorithmProvider(provider, flags);
}

}  // namespace

BOOL WINAPI fake_read_file(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
  FakeDigest& fake = FakeDigest::current();
  EXPECT_EQ(overlapped, nullptr);
  fake.read_sizes.push_back(size);
  if (fake.reads++ == fake.failing_read) {
    *read = 0;
    SetLastError(ERROR_READ_FAULT);
    return FALSE;
  }
  if (!fake.served_content) return ::ReadFile(file, buffer, size, read, overlapped);
  const std::string& content = *fake.served_content;
  const size_t count = std::min<size_t>(size, content.size() - fake.served_position_);
  std::memcpy(buffer, content.data() + fake.served_position_, count);
  fake.served_position_ += count;
  *read = static_cast<DWORD>(count);
  return TRUE;
}

FakeDigest::FakeDigest()
    : api_{fake_open_provider, fake_get_property, fake_create_hash,   fake_hash_data,
           fake_finish_hash,   fake_destroy_hash, fake_close_provider, fake_read_file} {
  g_current = this;
}

FakeDigest::~FakeDigest() { g_current = nullptr; }

FakeDigest& FakeDigest::current() { return *g_current; }
