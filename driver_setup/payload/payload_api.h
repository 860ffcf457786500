// The file, bcrypt and trust calls of the payload check, as a table: the
// product binds the real functions, tests bind fakes that count and fail on
// demand.
#pragma once
#include <windows.h>
#include <bcrypt.h>
#include <sddl.h>
#include <wintrust.h>

#include "common/bcrypt_owners.h"

struct PayloadApi {
  decltype(&::CreateFileW) create_file;
  decltype(&::ReadFile) read_file;
  decltype(&::SetFilePointerEx) set_file_pointer_ex;
  decltype(&::CloseHandle) close_handle;
  decltype(&::BCryptOpenAlgorithmProvider) open_algorithm_provider;
  decltype(&::BCryptCloseAlgorithmProvider) close_algorithm_provider;
  decltype(&::BCryptCreateHash) create_hash;
  decltype(&::BCryptHashData) hash_data;
  decltype(&::BCryptFinishHash) finish_hash;
  decltype(&::BCryptDestroyHash) destroy_hash;
  decltype(&::WinVerifyTrust) win_verify_trust;
};

const PayloadApi& real_payload_api();

// The calls that write the package's private copy for the installation and
// remove it again.
struct PayloadCopyApi {
  decltype(&::GetSystemWindowsDirectoryW) get_system_windows_directory;
  decltype(&::BCryptGenRandom) gen_random;
  decltype(&::ConvertStringSecurityDescriptorToSecurityDescriptorW) convert_security_descriptor;
  decltype(&::LocalFree) local_free;
  decltype(&::CreateDirectoryW) create_directory;
  decltype(&::CreateFileW) create_file;
  decltype(&::WriteFile) write_file;
  decltype(&::CloseHandle) close_handle;
  decltype(&::DeleteFileW) delete_file;
  decltype(&::RemoveDirectoryW) remove_directory;
};

const PayloadCopyApi& real_payload_copy_api();

using win::AlgorithmProvider;
using win::HashObject;
