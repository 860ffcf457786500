#include "tests/payload/fake_payload_api.h"

#include <algorithm>
#include <memory>

namespace {

FakePayloadApi* g_fake = nullptr;

HANDLE WINAPI create_file(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                          DWORD flags, HANDLE template_file) {
  const HANDLE file = ::CreateFileW(path, access, share, security, disposition, flags, template_file);
  g_fake->opens.push_back({path, access, share, disposition, flags, file});
  return file;
}

// A device error in the middle of the file, as a failing disk gives.
BOOL WINAPI read_file(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
  if (++g_fake->reads == g_fake->failing_read_call) {
    *read = 0;
    SetLastError(ERROR_IO_DEVICE);
    return FALSE;
  }
  return ::ReadFile(file, buffer, size, read, overlapped);
}

BOOL WINAPI set_file_pointer_ex(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER position, DWORD method) {
  ++g_fake->rewinds;
  if (g_fake->rewind_fails) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return ::SetFilePointerEx(file, distance, position, method);
}

BOOL WINAPI close_handle(HANDLE file) {
  ++g_fake->files_closed;
  return ::CloseHandle(file);
}

NTSTATUS WINAPI open_algorithm_provider(BCRYPT_ALG_HANDLE* provider, LPCWSTR algorithm, LPCWSTR implementation,
                                        ULONG flags) {
  g_fake->algorithm = algorithm ? algorithm : L"(null)";
  g_fake->default_implementation = implementation == nullptr;
  g_fake->open_flags = flags;
  if (g_fake->on_open) g_fake->on_open();
  if (g_fake->open_status < 0) return g_fake->open_status;
  const NTSTATUS status = ::BCryptOpenAlgorithmProvider(provider, algorithm, implementation, flags);
  if (BCRYPT_SUCCESS(status)) ++g_fake->providers_opened;
  return status;
}

NTSTATUS WINAPI close_algorithm_provider(BCRYPT_ALG_HANDLE provider, ULONG flags) {
  ++g_fake->providers_closed;
  return ::BCryptCloseAlgorithmProvider(provider, flags);
}

NTSTATUS WINAPI create_hash(BCRYPT_ALG_HANDLE provider, BCRYPT_HASH_HANDLE* hash, PUCHAR object, ULONG object_length,
                            PUCHAR secret, ULONG secret_length, ULONG flags) {
  g_fake->caller_hash_buffer = object != nullptr || object_length != 0;
  if (g_fake->create_status < 0) return g_fake->create_status;
  const NTSTATUS status = ::BCryptCreateHash(provider, hash, object, object_length, secret, secret_length, flags);
  if (BCRYPT_SUCCESS(status)) ++g_fake->hashes_created;
  return status;
}

NTSTATUS WINAPI hash_data(BCRYPT_HASH_HANDLE hash, PUCHAR input, ULONG length, ULONG flags) {
  g_fake->chunk_sizes.push_back(length);
  if (static_cast<int>(g_fake->chunk_sizes.size()) == g_fake->failing_hash_data_call)
    return static_cast<NTSTATUS>(0xC0000008);  // STATUS_INVALID_HANDLE
  return ::BCryptHashData(hash, input, length, flags);
}

NTSTATUS WINAPI finish_hash(BCRYPT_HASH_HANDLE hash, PUCHAR output, ULONG length, ULONG flags) {
  g_fake->finish_length = length;
  if (g_fake->finish_status < 0) return g_fake->finish_status;
  return ::BCryptFinishHash(hash, output, length, flags);
}

NTSTATUS WINAPI destroy_hash(BCRYPT_HASH_HANDLE hash) {
  ++g_fake->hashes_destroyed;
  return ::BCryptDestroyHash(hash);
}

// Like Windows: the verify call leaves a state handle that only the close call frees,
// and the answer is also the thread's last error.
LONG WINAPI win_verify_trust(HWND window, GUID* action, LPVOID data) {
  auto* trust = static_cast<TrustData*>(data);
  // Windows reads the subject through hFile when it is given.
  LARGE_INTEGER position{};
  position.QuadPart = -1;
  if (trust->pFile->hFile) ::SetFilePointerEx(trust->pFile->hFile, LARGE_INTEGER{}, &position, FILE_CURRENT);
  TrustCall call{window, *action, data, *trust, *trust->pFile, trust->pFile->pcwszFilePath, position.QuadPart};
  g_fake->trust_calls.push_back(call);
  LONG answer = 0;
  if (trust->dwStateAction == WTD_STATEACTION_VERIFY) {
    trust->hWVTStateData = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x5A7E + g_fake->trust_states_opened));
    ++g_fake->trust_states_opened;
    answer = trust->pFile->hFile ? g_fake->trust_answer : g_fake->path_trust_answer;
  } else if (trust->dwStateAction == WTD_STATEACTION_CLOSE && trust->hWVTStateData) {
    trust->hWVTStateData = nullptr;
    ++g_fake->trust_states_closed;
  }
  SetLastError(static_cast<DWORD>(answer));
  return answer;
}

}  // namespace

FakePayloadApi::FakePayloadApi() { g_fake = this; }
FakePayloadApi::~FakePayloadApi() { g_fake = nullptr; }

const PayloadApi& FakePayloadApi::api() const {
  static const PayloadApi api{create_file, read_file,   set_file_pointer_ex, close_handle,
                              open_algorithm_provider, close_algorithm_provider, create_hash, hash_data,
                              finish_hash,             destroy_hash,             win_verify_trust};
  return api;
}

namespace {

FakePayloadCopyApi* g_copy = nullptr;

NTSTATUS WINAPI gen_random(BCRYPT_ALG_HANDLE provider, PUCHAR buffer, ULONG size, ULONG flags) {
  if (!g_copy->zero_random) return ::BCryptGenRandom(provider, buffer, size, flags);
  std::fill_n(buffer, size, UCHAR{0});
  return 0;
}

BOOL WINAPI create_directory(LPCWSTR path, LPSECURITY_ATTRIBUTES security) {
  g_copy->folder = path;
  g_copy->asked_security = security ? owner_and_dacl(security->lpSecurityDescriptor) : L"";
  return ::CreateDirectoryW(path, security);
}

// A full disk: nothing written.
BOOL WINAPI write_file(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  if (++g_copy->writes == g_copy->failing_write_call) {
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return ::WriteFile(file, bytes, size, written, overlapped);
}

}  // namespace

std::wstring owner_and_dacl(PSECURITY_DESCRIPTOR descriptor) {
  LPWSTR text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr))
    return L"";
  const std::unique_ptr<wchar_t, decltype(&::LocalFree)> owned(text, ::LocalFree);
  return owned.get();
}

FakePayloadCopyApi::FakePayloadCopyApi() { g_copy = this; }
FakePayloadCopyApi::~FakePayloadCopyApi() { g_copy = nullptr; }

const PayloadCopyApi& FakePayloadCopyApi::api() const {
  static const PayloadCopyApi api{::GetSystemWindowsDirectoryW, gen_random, ::ConvertStringSecurityDescriptorToSecurityDescriptorW,
                                  ::LocalFree, create_directory, ::CreateFileW, write_file, ::CloseHandle,
                                  ::DeleteFileW, ::RemoveDirectoryW};
  return api;
}
