// The digest check's platform with counted acquisitions and releases: the real
// SHA-256 provider, and either the real ReadFile or a file served from memory.
// A test can make any one step fail the way the platform does.
#pragma once
#include <windows.h>
#include <bcrypt.h>

#include <optional>
#include <string>
#include <vector>

#include "updater/file_digest.h"

enum class DigestStep { none, open_provider, get_property, create_hash, hash_data, finish_hash };

class FakeDigest {
 public:
  // What the platform does.
  DigestStep failing_step = DigestStep::none;
  std::optional<ULONG> reported_object_length;  // replaces the provider's answer
  std::optional<std::string> served_content;    // when set, ReadFile serves it instead of the disk
  int failing_read = -1;                        // this ReadFile call (from 0) fails with ERROR_READ_FAULT

  // What the code did.
  int providers_opened = 0;
  int providers_closed = 0;
  int hashes_created = 0;
  int hashes_destroyed = 0;
  int reads = 0;
  std::vector<DWORD> read_sizes;
  std::vector<ULONG> hashed_sizes;
  std::optional<ULONG> created_object_length;
  bool created_with_buffer = false;
  bool created_with_secret = false;
  std::vector<ULONG> flags_seen;  // every flags argument the code passed

  FakeDigest();
  ~FakeDigest();
  FakeDigest(const FakeDigest&) = delete;
  FakeDigest& operator=(const FakeDigest&) = delete;

  const DigestApi& api() const { return api_; }
  static FakeDigest& current();

  // Everything acquired was released, each exactly once.
  bool balanced() const { return providers_opened == providers_closed && hashes_created == hashes_destroyed; }

 private:
  DigestApi api_;
  size_t served_position_ = 0;
  friend BOOL WINAPI fake_read_file(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
};
