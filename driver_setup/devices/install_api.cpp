#include "driver_setup/devices/install_api.h"

#include "common/system_library.h"

const InstallApi& real_install_api() {
  static const InstallApi api{
      ::IsUserAnAdmin,
      ::CreateToolhelp32Snapshot,
      ::Process32FirstW,
      ::Process32NextW,
      ::CloseHandle,
      ::SetupDiCreateDeviceInfoList,
      ::SetupDiCreateDeviceInfoW,
      ::SetupDiSetDeviceRegistryPropertyW,
      ::SetupDiSetDevicePropertyW,
      ::SetupDiCallClassInstaller,
      ::SetupDiSetClassInstallParamsW,
      ::SetupDiDestroyDeviceInfoList,
      // newdev is not a known DLL: from the system folder only.
      win::SystemFunction{L"newdev.dll", "UpdateDriverForPlugAndPlayDevicesW"},
      ::GetFullPathNameW,
  };
  return api;
}
