// The one removal of a device: after a failed installation and for --uninstall.
#pragma once
#include <windows.h>
#include <setupapi.h>

// Removes the device from every hardware profile (DIF_REMOVE, global scope)
// through the seam's SetupAPI calls. The removal runs even when its scope
// cannot be set: without parameters DIF_REMOVE removes globally too. Answers
// whether the removal itself succeeded, leaving its error code.
template <typename Api>
bool remove_device(const Api& api, HDEVINFO set, SP_DEVINFO_DATA& device) {
  SP_REMOVEDEVICE_PARAMS params{};
  params.ClassInstallHeader.cbSize = sizeof params.ClassInstallHeader;
  params.ClassInstallHeader.InstallFunction = DIF_REMOVE;
  params.Scope = DI_REMOVEDEVICE_GLOBAL;
  params.HwProfile = 0;
  static_assert(sizeof params == 16);
  api.set_class_install_params(set, &device, &params.ClassInstallHeader, sizeof params);
  return api.call_class_installer(DIF_REMOVE, set, &device) != FALSE;
}
