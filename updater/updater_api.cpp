#include "updater/updater_api.h"

const UpdaterApi& real_updater_api() {
  static const UpdaterApi api{
      ::GetCommandLineW, ::CommandLineToArgvW,         ::LocalFree,          ::OpenProcess,
      ::QueryFullProcessImageNameW, ::WaitForSingleObject, ::GetExitCodeProcess, ::CloseHandle,
      ::CreateFileW,     ::ShellExecuteExW,            ::ShellExecuteW,      ::MessageBoxW,
  };
  return api;
}
