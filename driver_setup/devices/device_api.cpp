#include "driver_setup/devices/device_api.h"

const DeviceApi& real_device_api() {
  static const DeviceApi api{
      ::SetupDiGetClassDevsW,      ::SetupDiEnumDeviceInfo, ::SetupDiGetDeviceRegistryPropertyW,
      ::SetupDiGetDeviceInstanceIdW, ::CM_Get_DevNode_Status, ::SetupDiDestroyDeviceInfoList,
      ::SetupDiGetDevicePropertyW, ::SetupDiSetClassInstallParamsW, ::SetupDiCallClassInstaller,
      ::SetupDiGetDeviceInstallParamsW, ::SetupUninstallOEMInfW,
  };
  return api;
}
