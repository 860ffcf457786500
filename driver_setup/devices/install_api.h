// The Windows calls of the root device installation, as a table: the product
// binds the real functions, tests bind fakes.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <newdev.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include "common/unique_resource.h"
#include "driver_setup/devices/device_api.h"

// SetupAPI exports it (Windows Vista and later), and MinGW-w64's import
// library links it, but its setupapi.h declares only the Get.
extern "C" WINSETUPAPI BOOL WINAPI SetupDiSetDevicePropertyW(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                            const DEVPROPKEY* PropertyKey, DEVPROPTYPE PropertyType,
                                                            const PBYTE PropertyBuffer, DWORD PropertyBufferSize,
                                                            DWORD Flags);

struct InstallApi {
  decltype(&::IsUserAnAdmin) is_user_an_admin;
  decltype(&::CreateToolhelp32Snapshot) create_toolhelp32_snapshot;
  decltype(&::Process32FirstW) process32_first;
  decltype(&::Process32NextW) process32_next;
  decltype(&::CloseHandle) close_handle;
  decltype(&::SetupDiCreateDeviceInfoList) create_device_info_list;
  decltype(&::SetupDiCreateDeviceInfoW) create_device_info;
  decltype(&::SetupDiSetDeviceRegistryPropertyW) set_device_registry_property;
  decltype(&::SetupDiSetDevicePropertyW) set_device_property;
  decltype(&::SetupDiCallClassInstaller) call_class_installer;
  decltype(&::SetupDiSetClassInstallParamsW) set_class_install_params;
  decltype(&::SetupDiDestroyDeviceInfoList) destroy_device_info_list;
  decltype(&::UpdateDriverForPlugAndPlayDevicesW) update_driver_for_plug_and_play_devices;
  decltype(&::GetFullPathNameW) get_full_path_name;
};

const InstallApi& real_install_api();

using win::ProcessSnapshot;
