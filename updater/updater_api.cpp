#include "updater/updater_api.h"

#include "common/system_library.h"

const UpdaterApi& real_updater_api() {
  static const UpdaterApi api{
      ::GetCommandLineW, ::CommandLineToArgvW,         ::LocalFree,          ::OpenProcess,
      ::QueryFullProcessImageNameW, ::WaitForSingleObject, ::GetExitCodeProcess, ::CloseHandle,
      ::CreateFileW,     ::GetFinalPathNameByHandleW,  ::CoInitializeEx,     ::CoUninitialize,
      ::ShellExecuteExW, ::ShellExecuteW,              ::MessageBoxW,
  };
  return api;
}

// bcrypt is not a known DLL: from the system folder only.
const DigestApi& real_digest_api() {
  using win::SystemFunction;
  static const DigestApi api{
      SystemFunction{L"bcrypt.dll", "BCryptOpenAlgorithmProvider"},
      SystemFunction{L"bcrypt.dll", "BCryptGetProperty"},
      SystemFunction{L"bcrypt.dll", "BCryptCreateHash"},
      SystemFunction{L"bcrypt.dll", "BCryptHashData"},
      SystemFunction{L"bcrypt.dll", "BCryptFinishHash"},
      SystemFunction{L"bcrypt.dll", "BCryptDestroyHash"},
      SystemFunction{L"bcrypt.dll", "BCryptCloseAlgorithmProvider"},
      ::ReadFile,
  };
  return api;
}
