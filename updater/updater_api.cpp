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

// wintrust is not a known DLL either; its helpers have no import library at all.
const TrustApi& real_trust_api() {
  using win::SystemFunction;
  static const TrustApi api{
      ::GetModuleHandleW,
      ::GetModuleFileNameW,
      ::CreateFileW,
      ::CloseHandle,
      ::SetFilePointerEx,
      SystemFunction{L"wintrust.dll", "WinVerifyTrust"},
      SystemFunction{L"wintrust.dll", "WTHelperProvDataFromStateData"},
      SystemFunction{L"wintrust.dll", "WTHelperGetProvSignerFromChain"},
      SystemFunction{L"wintrust.dll", "WTHelperGetProvCertFromChain"},
  };
  return api;
}
