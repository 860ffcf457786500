// The SetupAPI and configuration-manager calls of the device subsystem, as a
// table: the product binds the real functions, tests bind fakes.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

#include "common/unique_resource.h"

struct DeviceApi {
  decltype(&::SetupDiGetClassDevsW) get_class_devs;
  decltype(&::SetupDiEnumDeviceInfo) enum_device_info;
  decltype(&::SetupDiGetDeviceRegistryPropertyW) get_device_registry_property;
  decltype(&::SetupDiGetDeviceInstanceIdW) get_device_instance_id;
  decltype(&::CM_Get_DevNode_Status) get_devnode_status;
  decltype(&::SetupDiDestroyDeviceInfoList) destroy_device_info_list;
  // The removal of marked devices and their driver packages.
  decltype(&::SetupDiGetDevicePropertyW) get_device_property;
  decltype(&::SetupDiSetClassInstallParamsW) set_class_install_params;
  decltype(&::SetupDiCallClassInstaller) call_class_installer;
  decltype(&::SetupDiGetDeviceInstallParamsW) get_device_install_params;
  decltype(&::SetupUninstallOEMInfW) uninstall_oem_inf;
};

const DeviceApi& real_device_api();

// SetupDiGetClassDevsW and SetupDiCreateDeviceInfoList fail with INVALID_HANDLE_VALUE.
struct DeviceInfoSetKind : win::OwnerKind<HDEVINFO, win::InvalidHandleSentinel,
                                          decltype(DeviceApi::destroy_device_info_list), win::NonzeroIsSuccess> {};
using DeviceInfoSet = win::UniqueResource<DeviceInfoSetKind>;
