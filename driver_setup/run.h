// The whole run of driver_setup: arguments, baseline, verb, final report.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "driver_setup/audio/default_endpoints.h"
#include "driver_setup/devices/cable_device.h"
#include "driver_setup/devices/install_api.h"
#include "driver_setup/machine_lock.h"
#include "driver_setup/payload/payload_api.h"
#include "driver_setup/report/report_api.h"

// The run's own Windows calls.
struct ComApi {
  decltype(&::CoInitializeEx) co_initialize_ex;
  decltype(&::CoUninitialize) co_uninitialize;
};

// Every seam the run reaches, so that a test can replace the whole platform.
struct Platform {
  const ComApi& com;
  const AudioApi& audio;
  const DeviceApi& devices;
  const PayloadApi& payload = real_payload_api();
  const InstallApi& install = real_install_api();
  const ReportApi& report = real_report_api();
  const LockApi& lock = real_lock_api();
  const PayloadCopyApi& copy = real_payload_copy_api();
};

Platform real_platform();

inline constexpr int kExitRestartRequired = 3010;  // ERROR_SUCCESS_REBOOT_REQUIRED
inline constexpr int kExitMissingArguments = 2;

// Outcome first: a run is a failure until its verb's last step succeeds.
struct RunState {
  std::wstring report_path;
  std::string status = "error";
  std::string error;
  int exit_code = 1;
  std::vector<CableDevice> devices;
  DefaultEndpointSet defaults_before;
  bool restore_pending = false;

  void succeed(const char* word, int code) {
    status = word;
    exit_code = code;
  }
};

// argv holds argc wide arguments, the program first. Returns the exit code.
int run_driver_setup(int argc, const wchar_t* const* argv, const Platform& platform = real_platform());
