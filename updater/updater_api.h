// The process, file, COM, shell and message calls of the update run, as a table:
// the product binds the real functions, tests bind fakes.
#pragma once
#include <windows.h>
#include <bcrypt.h>
#include <objbase.h>
#include <shellapi.h>
#include <wintrust.h>

#include "common/unique_resource.h"

struct UpdaterApi {
  decltype(&::GetCommandLineW) get_command_line;
  decltype(&::CommandLineToArgvW) command_line_to_argv;
  decltype(&::LocalFree) local_free;
  decltype(&::OpenProcess) open_process;
  decltype(&::QueryFullProcessImageNameW) query_full_process_image_name;
  decltype(&::WaitForSingleObject) wait_for_single_object;
  decltype(&::GetExitCodeProcess) get_exit_code_process;
  decltype(&::CloseHandle) close_handle;
  decltype(&::CreateFileW) create_file;
  decltype(&::GetFinalPathNameByHandleW) get_final_path_name_by_handle;
  decltype(&::CoInitializeEx) co_initialize_ex;
  decltype(&::CoUninitialize) co_uninitialize;
  decltype(&::ShellExecuteExW) shell_execute_ex;
  decltype(&::ShellExecuteW) shell_execute;
  decltype(&::MessageBoxW) message_box;
};

// The cryptography and read calls of the update file's digest, as a table.
struct DigestApi {
  decltype(&::BCryptOpenAlgorithmProvider) open_algorithm_provider;
  decltype(&::BCryptGetProperty) get_property;
  decltype(&::BCryptCreateHash) create_hash;
  decltype(&::BCryptHashData) hash_data;
  decltype(&::BCryptFinishHash) finish_hash;
  decltype(&::BCryptDestroyHash) destroy_hash;
  decltype(&::BCryptCloseAlgorithmProvider) close_algorithm_provider;
  decltype(&::ReadFile) read_file;
};

// The calls of the publisher check: the updater's own image and file, the
// rewind of the update file, WinVerifyTrust and the signer it found.
struct TrustApi {
  decltype(&::GetModuleHandleW) get_module_handle;
  decltype(&::GetModuleFileNameW) get_module_file_name;
  decltype(&::CreateFileW) create_file;
  decltype(&::CloseHandle) close_handle;
  decltype(&::SetFilePointerEx) set_file_pointer_ex;
  decltype(&::WinVerifyTrust) win_verify_trust;
  decltype(&::WTHelperProvDataFromStateData) provider_data_from_state;
  decltype(&::WTHelperGetProvSignerFromChain) signer_from_chain;
  decltype(&::WTHelperGetProvCertFromChain) certificate_from_chain;
};

const UpdaterApi& real_updater_api();
const DigestApi& real_digest_api();
const TrustApi& real_trust_api();

using win::FileHandle;
using win::ProcessHandle;
// The array of CommandLineToArgvW, which LocalFree releases.
struct ArgumentArrayKind
    : win::OwnerKind<LPWSTR*, win::NullSentinel, decltype(UpdaterApi::local_free), win::NullIsSuccess> {};
using ArgumentArray = win::UniqueResource<ArgumentArrayKind>;
