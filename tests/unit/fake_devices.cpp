#include "tests/unit/fake_devices.h"

#include <initguid.h>  // defines DEVPKEY_Device_DriverInfPath here
#include <devpkey.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <cstring>

#include "common/ascii.h"
#include "driver_setup/devices/cable_mark.h"

namespace {

FakeSetupApi* g_current = nullptr;
const auto kFakeSet = reinterpret_cast<HDEVINFO>(0x5e7);
constexpr DEVINST kFirstNode = 100;

FakeDevice& device_of(const SP_DEVINFO_DATA* data) {
  return FakeSetupApi::current().devices.at(data->DevInst - kFirstNode);
}

BOOL fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

HDEVINFO WINAPI fake_get_class_devs(const GUID* cls, PCWSTR enumerator, HWND parent, DWORD flags) {
  FakeSetupApi& fake = FakeSetupApi::current();
  fake.opened_class = *cls;
  fake.open_flags = flags;
  fake.open_had_enumerator_or_window = enumerator || parent;
  if (fake.open_error) {
    SetLastError(fake.open_error);
    return INVALID_HANDLE_VALUE;
  }
  ++fake.sets_open;
  return kFakeSet;
}

BOOL WINAPI fake_enum_device_info(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data) {
  FakeSetupApi& fake = FakeSetupApi::current();
  EXPECT_TRUE(set == kFakeSet);
  // Windows refuses a structure whose size field is not set.
  if (data->cbSize != sizeof(SP_DEVINFO_DATA)) {
    fake.bad_devinfo_size = true;
    return fail(ERROR_INVALID_USER_BUFFER);
  }
  if (index >= fake.devices.size()) return fail(fake.end_error);
  data->DevInst = kFirstNode + index;
  return TRUE;
}

BOOL WINAPI fake_get_property(HDEVINFO, SP_DEVINFO_DATA* data, DWORD property, DWORD* type, BYTE* buffer,
                              DWORD size, DWORD* required) {
  FakeSetupApi& fake = FakeSetupApi::current();
  EXPECT_TRUE(property == SPDRP_HARDWAREID);
  fake.property_sizes.push_back(size);
  fake.size_outputs_requested |= type || required;
  const FakeDevice& device = device_of(data);
  if (device.hardware_id_error) return fail(device.hardware_id_error);
  const DWORD bytes = static_cast<DWORD>(device.hardware_ids.size() * sizeof(wchar_t));
  if (bytes > size) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, device.hardware_ids.data(), bytes);
  return TRUE;
}

BOOL WINAPI fake_get_instance_id(HDEVINFO, SP_DEVINFO_DATA* data, PWSTR buffer, DWORD size, DWORD* required) {
  FakeSetupApi& fake = FakeSetupApi::current();
  fake.instance_id_sizes.push_back(size);
  fake.size_outputs_requested |= required != nullptr;
  const FakeDevice& device = device_of(data);
  if (device.instance_id_error) return fail(device.instance_id_error);
  if (device.instance_id.size() >= size) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::copy(device.instance_id.begin(), device.instance_id.end(), buffer);
  buffer[device.instance_id.size()] = L'\0';
  return TRUE;
}

CONFIGRET WINAPI fake_get_node_status(ULONG* status, ULONG* problem, DEVINST node, ULONG flags) {
  EXPECT_TRUE(flags == 0);
  const FakeDevice& device = FakeSetupApi::current().devices.at(node - kFirstNode);
  if (device.node_result != CR_SUCCESS) {
    *status = *problem = 0xAAAAAAAA;  // undefined on failure: the caller must not keep it
    return device.node_result;
  }
  *status = device.status;
  *problem = device.problem;
  return CR_SUCCESS;
}

// SetupDiGetDevicePropertyW's reference page: flags must be 0; a property the
// device does not have fails with ERROR_NOT_FOUND and type DEVPROP_TYPE_EMPTY;
// a buffer too small for the whole value gets nothing.
BOOL WINAPI fake_get_device_property(HDEVINFO set, SP_DEVINFO_DATA* data, const DEVPROPKEY* key, DEVPROPTYPE* type,
                                     BYTE* buffer, DWORD size, DWORD* required, DWORD flags) {
  EXPECT_TRUE(set == kFakeSet);
  if (flags) return fail(ERROR_INVALID_FLAGS);
  const FakeDevice& device = device_of(data);
  *type = DEVPROP_TYPE_EMPTY;
  if (device.removed) return fail(ERROR_NO_SUCH_DEVINST);
  std::optional<std::wstring> value;
  if (IsEqualDevPropKey(*key, kCableMarkKey)) {
    if (device.mark_error) return fail(device.mark_error);
    value = device.mark;
  } else if (IsEqualDevPropKey(*key, DEVPKEY_Device_DriverInfPath) && !device.package.empty()) {
    value = device.package;
  }
  if (!value) return fail(ERROR_NOT_FOUND);
  *type = DEVPROP_TYPE_STRING;
  const auto bytes = static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t));
  if (required) *required = bytes;
  if (bytes > size) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, value->c_str(), bytes);
  return TRUE;
}

BOOL WINAPI fake_set_params(HDEVINFO set, SP_DEVINFO_DATA* data, SP_CLASSINSTALL_HEADER* header, DWORD size) {
  EXPECT_TRUE(set == kFakeSet);
  if (header->cbSize != sizeof *header || size != sizeof(SP_REMOVEDEVICE_PARAMS))
    return fail(ERROR_INVALID_USER_BUFFER);
  device_of(data).remove_params = *reinterpret_cast<const SP_REMOVEDEVICE_PARAMS*>(header);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// DIF_REMOVE, as SetupDiRemoveDevice's page describes it: the device is gone
// from every profile, and a device that cannot be stopped at once leaves a
// restart request in its install parameters. Only a global removal is expected.
BOOL WINAPI fake_call_class_installer(DI_FUNCTION function, HDEVINFO set, SP_DEVINFO_DATA* data) {
  EXPECT_TRUE(set == kFakeSet);
  FakeDevice& device = device_of(data);
  const auto& given = device.remove_params;
  const bool global =
      given && given->ClassInstallHeader.InstallFunction == DIF_REMOVE && given->Scope == DI_REMOVEDEVICE_GLOBAL;
  if (function != DIF_REMOVE || !global) return fail(ERROR_INVALID_PARAMETER);
  if (device.remove_error) return fail(device.remove_error);
  device.removed = true;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI fake_get_install_params(HDEVINFO set, SP_DEVINFO_DATA* data, SP_DEVINSTALL_PARAMS_W* params) {
  EXPECT_TRUE(set == kFakeSet);
  if (params->cbSize != sizeof *params) return fail(ERROR_INVALID_USER_BUFFER);
  if (device_of(data).install_params_error) return fail(device_of(data).install_params_error);
  params->Flags = device_of(data).restart_flags;
  return TRUE;
}

// SetupUninstallOEMInfW without SUOI_FORCEDELETE: a package that a device, present
// or not, still uses stays, with ERROR_INF_IN_USE_BY_DEVICES (setupapi.h's code for it).
BOOL WINAPI fake_uninstall_oem_inf(PCWSTR name, DWORD flags, PVOID reserved) {
  FakeSetupApi& fake = FakeSetupApi::current();
  fake.package_deletions.push_back(name);
  EXPECT_TRUE(flags == 0 && reserved == nullptr);
  if (fake.store_error) return fail(fake.store_error);
  const auto same = [&](const std::wstring& other) { return win::ascii_iequal(other, name); };
  const auto stored = std::find_if(fake.driver_store.begin(), fake.driver_store.end(), same);
  if (stored == fake.driver_store.end()) return fail(ERROR_FILE_NOT_FOUND);
  for (const FakeDevice& device : fake.devices)
    if (!device.removed && same(device.package)) return fail(ERROR_INF_IN_USE_BY_DEVICES);
  fake.driver_store.erase(stored);
  return TRUE;
}

BOOL WINAPI fake_destroy(HDEVINFO set) {
  EXPECT_TRUE(set == kFakeSet);
  ++FakeSetupApi::current().sets_destroyed;
  SetLastError(ERROR_SUCCESS);  // clean-up must not disturb a code being reported
  return TRUE;
}

}  // namespace

std::wstring multi_string(std::initializer_list<std::wstring> entries) {
  std::wstring text;
  for (const auto& entry : entries) text += entry + L'\0';
  return text + L'\0';
}

FakeSetupApi::FakeSetupApi()
    : api_{fake_get_class_devs,      fake_enum_device_info,     fake_get_property,       fake_get_instance_id,
           fake_get_node_status,     fake_destroy,              fake_get_device_property, fake_set_params,
           fake_call_class_installer, fake_get_install_params, fake_uninstall_oem_inf} {
  EXPECT_TRUE(g_current == nullptr);
  g_current = this;
}

std::vector<std::wstring> FakeSetupApi::remaining() const {
  std::vector<std::wstring> ids;
  for (const FakeDevice& device : devices)
    if (!device.removed) ids.push_back(device.instance_id);
  return ids;
}

FakeSetupApi::~FakeSetupApi() { g_current = nullptr; }

FakeSetupApi& FakeSetupApi::current() { return *g_current; }
