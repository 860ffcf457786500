// The process, file, shell and message calls of the update run, as a table:
// the product binds the real functions, tests bind fakes.
#pragma once
#include <windows.h>
#include <shellapi.h>

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
  decltype(&::ShellExecuteExW) shell_execute_ex;
  decltype(&::ShellExecuteW) shell_execute;
  decltype(&::MessageBoxW) message_box;
};

const UpdaterApi& real_updater_api();

// OpenProcess and ShellExecuteExW give NULL for "no process"; CreateFileW gives
// INVALID_HANDLE_VALUE for "no file", and NULL is no sentinel for it.
using ProcessHandle = win::UniqueResource<HANDLE, win::NullSentinel, decltype(UpdaterApi::close_handle)>;
using FileHandle = win::UniqueResource<HANDLE, win::InvalidHandleSentinel, decltype(UpdaterApi::close_handle)>;
// The array of CommandLineToArgvW, which LocalFree releases.
using ArgumentArray = win::UniqueResource<LPWSTR*, win::NullSentinel, decltype(UpdaterApi::local_free)>;
