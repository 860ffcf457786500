#include "driver_setup/payload/payload_api.h"

#include "common/system_library.h"

// Neither bcrypt nor wintrust is a known DLL: both come from the system folder only.
const PayloadApi& real_payload_api() {
  using win::SystemFunction;
  static const PayloadApi api{
      ::CreateFileW,
      ::ReadFile,
      ::SetFilePointerEx,
      ::CloseHandle,
      SystemFunction{L"bcrypt.dll", "BCryptOpenAlgorithmProvider"},
      SystemFunction{L"bcrypt.dll", "BCryptCloseAlgorithmProvider"},
      SystemFunction{L"bcrypt.dll", "BCryptCreateHash"},
      SystemFunction{L"bcrypt.dll", "BCryptHashData"},
      SystemFunction{L"bcrypt.dll", "BCryptFinishHash"},
      SystemFunction{L"bcrypt.dll", "BCryptDestroyHash"},
      SystemFunction{L"wintrust.dll", "WinVerifyTrust"},
  };
  return api;
}

const PayloadCopyApi& real_payload_copy_api() {
  static const PayloadCopyApi api{
      ::GetSystemWindowsDirectoryW,
      win::SystemFunction{L"bcrypt.dll", "BCryptGenRandom"},
      ::ConvertStringSecurityDescriptorToSecurityDescriptorW,
      ::LocalFree,
      ::CreateDirectoryW,
      ::CreateFileW,
      ::WriteFile,
      ::CloseHandle,
      ::DeleteFileW,
      ::RemoveDirectoryW,
  };
  return api;
}
