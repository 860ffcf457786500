// Fakes for the payload seam: file and bcrypt calls that do the real work but
// record and count every handle and fail on demand, and a WinVerifyTrust that
// answers as told and records what it was given.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "driver_setup/payload/catalog_trust.h"
#include "driver_setup/payload/payload_api.h"

// One WinVerifyTrust call, copied at the moment of the call.
struct TrustCall {
  HWND window;
  GUID action;
  const void* data_address;
  TrustData data;
  WINTRUST_FILE_INFO file;
  std::wstring file_path;
  LONGLONG file_position;  // of hFile when given, -1 without
};

// One CreateFileW call: what was asked, and the handle it gave.
struct FileOpen {
  std::wstring path;
  DWORD access, share, disposition, flags;
  HANDLE handle;
};

// Only one may exist at a time: the plain function pointers find it through a global.
class FakePayloadApi {
 public:
  FakePayloadApi();
  ~FakePayloadApi();
  FakePayloadApi(const FakePayloadApi&) = delete;
  FakePayloadApi& operator=(const FakePayloadApi&) = delete;

  const PayloadApi& api() const;

  // Answers: a failure status makes the call fail without doing its work.
  int failing_read_call = 0;  // 1 for the first ReadFile, 0 for none; fails with ERROR_IO_DEVICE
  bool rewind_fails = false;  // SetFilePointerEx answers FALSE with ERROR_INVALID_HANDLE
  NTSTATUS open_status = 0;
  NTSTATUS create_status = 0;
  int failing_hash_data_call = 0;  // 1 for the first call, 0 for none
  NTSTATUS finish_status = 0;
  LONG trust_answer = 0;       // for a check through a handle
  LONG path_trust_answer = 0;  // for a check by the path alone
  std::function<void()> on_open;  // runs as the provider is asked for

  // Records.
  std::vector<FileOpen> opens;
  int reads = 0, rewinds = 0, files_closed = 0;
  std::wstring algorithm;
  bool default_implementation = false;
  ULONG open_flags = ~0u;
  bool caller_hash_buffer = true;
  std::vector<ULONG> chunk_sizes;
  ULONG finish_length = 0;
  int providers_opened = 0, providers_closed = 0;
  int hashes_created = 0, hashes_destroyed = 0;
  int trust_states_opened = 0, trust_states_closed = 0;
  std::vector<TrustCall> trust_calls;
};

// A descriptor's owner and DACL as SDDL; empty when it cannot be converted.
std::wstring owner_and_dacl(PSECURITY_DESCRIPTOR descriptor);

// The private copy's calls, passed to Windows, recorded, and failing on demand.
class FakePayloadCopyApi {
 public:
  FakePayloadCopyApi();
  ~FakePayloadCopyApi();
  FakePayloadCopyApi(const FakePayloadCopyApi&) = delete;
  FakePayloadCopyApi& operator=(const FakePayloadCopyApi&) = delete;

  const PayloadCopyApi& api() const;

  // Answers.
  bool zero_random = false;   // BCryptGenRandom gives zeros: the folder's name is known beforehand
  int failing_write_call = 0;  // 1 for the first WriteFile; it fails with ERROR_DISK_FULL

  // Records.
  std::wstring folder;          // what CreateDirectoryW was asked to create
  std::wstring asked_security;  // the descriptor it was given, as SDDL (owner and DACL)
  int writes = 0;
};
