#include "install_api.h"

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
      ::SetupDiCallClassInstaller,
      ::SetupDiSetClassInstallParamsW,
      ::SetupDiDestroyDeviceInfoList,
      ::UpdateDriverForPlugAndPlayDevicesW,
      ::GetFullPathNameW,
  };
  return api;
}
